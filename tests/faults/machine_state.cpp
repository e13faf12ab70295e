#include "tests/faults/machine_state.h"

#include <cstdio>

#include "setup/scoped.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/file_contents.h"
#include "tests/driver/shell_links.h"

namespace {

std::string Lower(std::string text) {
  CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

bool IsLinkName(const std::string& name) {
  return name.size() > 4 && Lower(name.substr(name.size() - 4)) == ".lnk";
}

// A link file's bytes hold the target's times, which differ between two copies
// of it: what the link does is compared instead.
std::string LinkState(const std::string& path) {
  try {
    ShellLink link = ReadShellLink(Widen(path, CP_ACP));
    CharLowerBuffW(&link.target[0], static_cast<DWORD>(link.target.size()));
    return Utf8(link.target) + " " + Utf8(link.arguments);
  } catch (const DriverError&) {
    return "unreadable link";
  }
}

std::string FileBytes(const std::string& path) {
  return ReadFileBytes(Widen(path, CP_ACP)).value_or("unreadable");
}

void AddFolder(const std::string& root, const std::string& relative, const std::string& label,
               MachineState& state) {
  WIN32_FIND_DATAA found;
  const ScopedFind search(FindFirstFileA((root + relative + "*").c_str(), &found));
  if (!search.IsValid()) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = relative + name;
    const std::string key = label + Lower(path);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      state["folder " + key] = "";
      AddFolder(root, path + "\\", label, state);
    } else if (IsLinkName(name)) {
      state["link " + key] = LinkState(root + path);
    } else {
      const bool readOnly = (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
      state["file " + key] = (readOnly ? "read-only " : "") + FileBytes(root + path);
    }
  } while (FindNextFileA(search.Get(), &found));
}

void AddKey(HKEY key, const std::string& label, MachineState& state) {
  state["key " + label] = "";
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameLength = sizeof(name);
    DWORD type = 0;
    BYTE data[2048];
    DWORD size = sizeof(data);
    if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) {
      break;
    }
    state["value " + label + "\\" + name] =
        lstrcmpA(name, "InstallDate") == 0
            ? "a date"
            : std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
  }
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameLength = sizeof(name);
    if (RegEnumKeyExA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    ScopedRegKey child;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, child.Receive()) == ERROR_SUCCESS) {
      AddKey(child.Get(), label + "\\" + name, state);
    }
  }
}

std::string Printable(const std::string& bytes) {
  std::string shown;
  for (char c : bytes.substr(0, 60)) {
    shown += c >= ' ' && c < 127 ? std::string(1, c) : "?";
  }
  return "'" + shown + (bytes.size() > 60 ? "...'" : "'");
}

}  // namespace

void AddFolderState(const std::string& root, const std::string& label, MachineState& state) {
  AddFolder(root, "", label, state);
}

void AddValueState(HKEY root, const std::string& key, const std::string& name,
                   const std::string& label, MachineState& state) {
  ScopedRegKey opened;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS) return;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return;
  }
  std::string data(size, '\0');
  if (size > 0) {
    RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                     &size);
  }
  state["value " + label] = std::to_string(type) + ":" + data;
}

void AddRegistryState(HKEY root, const std::string& key, const std::string& label,
                      MachineState& state) {
  ScopedRegKey opened;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS) return;
  AddKey(opened.Get(), label, state);
}

void AddFileState(const std::string& path, const std::string& label, MachineState& state) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  state["file " + label] = IsLinkName(path) ? LinkState(path) : FileBytes(path);
}

void AddFileAndLeftoversState(const std::string& path, const std::string& label,
                              MachineState& state) {
  AddFileState(path, label, state);
  const std::string folder = path.substr(0, path.rfind('\\') + 1);
  const std::string name = path.substr(folder.size());
  WIN32_FIND_DATAA found;
  const ScopedObject<FindHandleTraits> find(FindFirstFileA((path + ".*").c_str(), &found));
  for (BOOL more = find.IsValid(); more; more = FindNextFileA(find.Get(), &found)) {
    const std::string foundName = found.cFileName;
    if (foundName.size() > name.size()) {
      AddFileState(folder + foundName, label + foundName.substr(name.size()), state);
    }
  }
}

std::string Differences(const MachineState& expected, const MachineState& actual, size_t limit) {
  std::string lines;
  size_t count = 0;
  const auto note = [&](const std::string& line) {
    if (++count <= limit) lines += "\n    " + line;
  };
  for (const auto& [name, value] : expected) {
    const auto found = actual.find(name);
    if (found == actual.end()) {
      note("missing " + name);
    } else if (found->second != value) {
      note("changed " + name + ": " + Printable(found->second) + " instead of " + Printable(value));
    }
  }
  for (const auto& [name, value] : actual) {
    if (expected.count(name) == 0) note("extra " + name + " = " + Printable(value));
  }
  if (count > limit) lines += "\n    and " + std::to_string(count - limit) + " more";
  return lines;
}

std::string LeftBehind(const MachineState& before, const MachineState& after,
                       const MachineState& actual) {
  const auto holds = [](const MachineState& state, const std::string& name, const std::string& value) {
    const auto found = state.find(name);
    return found != state.end() && found->second == value;
  };
  std::string lines;
  for (const auto& [name, value] : actual) {
    if (!holds(before, name, value) && !holds(after, name, value)) {
      lines += "\n    " + name + " = " + Printable(value);
    }
  }
  return lines;
}
