#!/usr/bin/env python3
"""The release package from a distribution folder whose install.exe is final
(signed or not): the zip, its SHA-256 and the deployment clients' manifests,
filled from the templates in dist/ and checked.

usage: package.py <distribution folder> <output folder> <epoch> <release URL>

The zip is the same bytes for the same files: names in sorted order, every
entry dated <epoch> (the commit's time) with the same attributes.
"""
import hashlib
import pathlib
import re
import struct
import sys
import time
import xml.etree.ElementTree as ElementTree
import zipfile

import yaml

TEMPLATES = pathlib.Path(__file__).resolve().parent.parent / "dist"
TEMPLATE_FOLDERS = ("winget", "chocolatey")
PLACEHOLDER = re.compile(r"@[A-Z0-9]+@")
ZIP_EPOCH_MIN = 315532800  # 1980-01-01: a zip cannot date anything earlier


def file_version(program):
    """The program's file version, "a.b.c.d": the version the setup installs and
    enters in the uninstall entry."""
    data = program.read_bytes()
    at = data.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO's signature
    if at < 0:
        sys.exit(f"package: {program} has no version resource")
    most, least = struct.unpack_from("<II", data, at + 8)
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


def write_zip(folder, path, epoch):
    stamp = time.gmtime(max(epoch, ZIP_EPOCH_MIN))[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name in sorted(p.name for p in folder.iterdir()):
            entry = zipfile.ZipInfo(name, stamp)
            entry.external_attr = 0o100644 << 16  # a plain file, rw-r--r--
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, (folder / name).read_bytes(), compresslevel=9)


def fill_templates(output, values):
    for folder in TEMPLATE_FOLDERS:
        for template in sorted((TEMPLATES / folder).rglob("*")):
            if template.is_dir():
                continue
            text = template.read_text(encoding="utf-8")
            for name, value in values.items():
                text = text.replace(f"@{name}@", value)
            left = PLACEHOLDER.findall(text)
            if left:
                sys.exit(f"package: {template} keeps {', '.join(left)}")
            target = output / template.relative_to(TEMPLATES)
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_text(text, encoding="utf-8")


def parsed(path, parse):
    try:
        return parse(path)
    except (yaml.YAMLError, ElementTree.ParseError) as error:
        sys.exit(f"package: {path} does not parse: {error}")


def check_manifests(output, zip_path, version):
    """What can be checked without the clients: the YAML and the XML parse, and
    the manifests name the zip beside them by its name and hash, and its version."""
    sha256 = hashlib.sha256(zip_path.read_bytes()).hexdigest()
    manifests = [parsed(p, lambda p: yaml.safe_load(p.read_text(encoding="utf-8")))
                 for p in sorted((output / "winget").glob("*.yaml"))]
    installers = [i for m in manifests if m["ManifestType"] == "installer" for i in m["Installers"]]
    if [(i["InstallerUrl"].rsplit("/", 1)[-1], i["InstallerSha256"].lower()) for i in installers] != \
            [(zip_path.name, sha256)]:
        sys.exit("package: the winget installer manifest does not name the zip and its SHA-256")
    nuspec = parsed(output / "chocolatey" / "kalendro.nuspec", ElementTree.parse)
    versions = {str(m["PackageVersion"]) for m in manifests} | {nuspec.findtext("{*}metadata/{*}version")}
    if versions != {version}:
        sys.exit(f"package: the manifests name the versions {sorted(versions)}, not {version}")
    install_script = (output / "chocolatey" / "tools" / "chocolateyInstall.ps1").read_text()
    if sha256 not in install_script.lower() or zip_path.name not in install_script:
        sys.exit("package: chocolateyInstall.ps1 does not name the zip and its SHA-256")


def main():
    distribution, output = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    epoch, release_url = int(sys.argv[3]), sys.argv[4].rstrip("/")
    version = file_version(distribution / "kalquint.exe")
    zip_path = output / f"kalendro-{version}.zip"
    write_zip(distribution, zip_path, epoch)
    sha256 = hashlib.sha256(zip_path.read_bytes()).hexdigest()
    # The form sha256sum -c reads.
    (output / f"{zip_path.name}.sha256").write_text(f"{sha256}  {zip_path.name}\n")
    fill_templates(output, {"VERSION": version, "URL": f"{release_url}/{zip_path.name}",
                            "SHA256": sha256.upper()})
    check_manifests(output, zip_path, version)
    print(zip_path)


if __name__ == "__main__":
    main()
