#!/usr/bin/env python3
"""The distribution's programs as built (argument: the shipped build tree): the
commit's time as their PE time stamp (SOURCE_DATE_EPOCH when set), and no path
of the checkout or the build tree inside them, in any spelling a compiler or a
resource compiler would store, so that a build of the same commit elsewhere can
give the same bytes."""
import os
import pathlib
import struct
import subprocess
import sys

root = pathlib.Path(__file__).resolve().parents[2]
build = pathlib.Path(sys.argv[1]).resolve()
expected = int(os.environ.get("SOURCE_DATE_EPOCH") or subprocess.check_output(
    ["git", "-C", str(root), "log", "-1", "--format=%ct"], text=True))
# As the host spells them, and as Wine does with backslashes (Z:\work\...).
spellings = [(f"{text} ({encoding})", text.encode(encoding)) for path in (root, build)
             for text in (str(path), str(path).replace("/", "\\"))
             for encoding in ("utf-8", "utf-16-le")]

failures = 0
for name in ("install.exe", "kalquint.exe"):
    data = (build / "distribution" / name).read_bytes()
    headers = struct.unpack_from("<I", data, 0x3C)[0]
    stamp = struct.unpack_from("<I", data, headers + 8)[0]  # IMAGE_FILE_HEADER.TimeDateStamp
    faults = [f"holds the path {text}" for text, encoded in spellings if encoded in data]
    if stamp != expected:
        faults.append(f"time stamp {stamp}, not the commit's {expected}")
    for fault in faults:
        print(f"FAILED: {name}: {fault}")
    failures += len(faults)
print("build stamp: every check passed" if not failures else f"build stamp: {failures} failed")
sys.exit(failures > 0)
