// Registry operations of the setup context. Every key is opened and closed within
// the operation, except the settings key, which the two settings-writing pages
// hold open between OpenSettingsKey and CloseSettingsKey. Every write is
// recorded in the context's work list with what was there before.
#include "setup/setup_context.h"
#include "setup/system_paths.h"

namespace {

// Opens root\path with full access, also for reading: a key the user may not
// open that way reads as missing.
ScopedRegKey OpenFullAccess(HKEY root, const std::string& path) {
  return OpenRegKey(root, path.c_str(), KEY_ALL_ACCESS);
}

// A string value's text: the bytes up to the first zero, or all of them when the
// data hold none; the type is not looked at.
std::string TextOf(const BYTE* data, DWORD size) {
  DWORD length = 0;
  while (length < size && data[length] != 0) ++length;
  return std::string(reinterpret_cast<const char*>(data), length);
}

// How many direct subkeys `key` has; none when it cannot be asked.
DWORD SubkeyCount(HKEY key) {
  DWORD count = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  return count;
}

// Whether root\path holds a subkey: a key that does cannot be deleted whole,
// and then it is not this setup's to delete.
bool HasSubkeys(HKEY root, const std::string& path) {
  const ScopedRegKey key = OpenFullAccess(root, path);
  return key.IsValid() && SubkeyCount(key.Get()) > 0;
}

// Deletes the direct subkeys of `key`, last index first so that the indices of
// the ones still to come stay valid. False when one without subkeys of its own
// could not be deleted.
bool DeleteDirectSubkeys(HKEY key) {
  bool deleted = true;
  for (DWORD index = SubkeyCount(key); index-- > 0;) {
    char name[kPathBufferSize];
    DWORD length = sizeof(name);
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS &&
        RegDeleteKeyA(key, name) != ERROR_SUCCESS && !HasSubkeys(key, name)) {
      deleted = false;
    }
  }
  return deleted;
}

// A value's type and bytes as stored; REG_NONE when it is missing.
void ReadStored(HKEY key, const std::string& name, DWORD& type, std::string& data) {
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    data.resize(size);
    if (size == 0 || RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(&data[0]), &size) == ERROR_SUCCESS) {
      return;
    }
  }
  type = REG_NONE;
  data.clear();
}

// A string as REG_SZ stores it: with its terminating zero.
std::string StringBytes(const std::string& text) {
  return std::string(text.c_str(), text.size() + 1);
}

// A number least significant byte first, as REG_DWORD and the flags store it.
std::string NumberBytes(DWORD number) {
  const char bytes[4] = {static_cast<char>(number), static_cast<char>(number >> 8),
                         static_cast<char>(number >> 16), static_cast<char>(number >> 24)};
  return std::string(bytes, sizeof(bytes));
}

// kHeld: the key stays, as a subkey of its own keeps it; the walk goes on.
// kKept: the key is missing, or the user may not open it; the walk stops.
enum class Deletion { kDeleted, kHeld, kKept, kFailed };

// One level of DeleteRegKey: the key after its direct subkeys.
Deletion DeleteLevel(HKEY root, const std::string& path) {
  {
    const ScopedRegKey key = OpenFullAccess(root, path);
    if (!key.IsValid()) return Deletion::kKept;
    if (!DeleteDirectSubkeys(key.Get())) return Deletion::kFailed;
  }
  if (RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS) return Deletion::kDeleted;
  return HasSubkeys(root, path) ? Deletion::kHeld : Deletion::kFailed;
}

// One line of the log for a value written or not.
void LogValue(const SetupLog& log, bool written, HKEY root, const std::string& key,
              const std::string& name, const std::string& data) {
  log.Write(written ? "set" : "not set",
            RegistryPath(root, key) + " " + (name.empty() ? "(default)" : name) + " = " + data);
}

}  // namespace

bool SetupContext::ReadRegString(HKEY root, StringId key, const std::string& name,
                                 std::string& out) const {
  const ScopedRegKey opened = OpenFullAccess(root, LoadText(key));
  if (!opened.IsValid()) return false;
  BYTE data[kPathBufferSize];
  DWORD size = sizeof(data);
  // Data of more than MAX_PATH characters read as missing, whatever bytes they take.
  if (RegQueryValueExA(opened.Get(), name.c_str(), nullptr, nullptr, data, &size) !=
          ERROR_SUCCESS ||
      CharacterCount(reinterpret_cast<const char*>(data), static_cast<int>(size)) > MAX_PATH) {
    return false;
  }
  out = TextOf(data, size);
  return true;
}

bool SetupContext::ReadRegStringById(HKEY root, StringId key, StringId name,
                                     std::string& out) const {
  return ReadRegString(root, key, LoadText(name), out);
}

std::vector<std::string> SetupContext::ReadRegStrings(HKEY root, StringId key) const {
  std::vector<std::string> values;
  const ScopedRegKey opened = OpenFullAccess(root, LoadText(key));
  if (!opened.IsValid()) return values;
  for (DWORD index = 0;; ++index) {
    char name[kPathBufferSize];
    DWORD nameLength = sizeof(name);
    BYTE data[kPathBufferSize];
    DWORD size = sizeof(data);
    DWORD type = REG_NONE;
    const LONG result =
        RegEnumValueA(opened.Get(), index, name, &nameLength, nullptr, &type, data, &size);
    // A value too long for the buffer is passed over; any other error ends the
    // list (no more values, or a key that can no longer be read), or the walk
    // would go on through every index there is.
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) return values;
    if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
    values.push_back(TextOf(data, size));
  }
}

bool SetupContext::ReadRegDword(HKEY root, StringId key, const std::string& name,
                                DWORD& out) const {
  const ScopedRegKey opened = OpenFullAccess(root, LoadText(key));
  if (!opened.IsValid()) return false;
  DWORD size = sizeof(out);
  return RegQueryValueExA(opened.Get(), name.c_str(), nullptr, nullptr,
                          reinterpret_cast<BYTE*>(&out), &size) == ERROR_SUCCESS;
}

ScopedRegKey SetupContext::OpenKeyToWrite(HKEY root, const std::string& path,
                                          bool& userProtected) {
  LONG opened = ERROR_SUCCESS;
  ScopedRegKey key = OpenRegKey(root, path.c_str(), KEY_ALL_ACCESS, &opened);
  if (opened == ERROR_SUCCESS) return key;
  userProtected = opened == ERROR_ACCESS_DENIED;
  if (userProtected) return key;
  // The missing levels are made one by one, parent first, so that each can be
  // taken back.
  const std::string::size_type slash = path.rfind('\\');
  if (slash != std::string::npos &&
      !OpenKeyToWrite(root, path.substr(0, slash), userProtected).IsValid()) {
    return key;
  }
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
    key.Release();
    return key;
  }
  Work.Add({Change::kKeyMade, path, std::string(), root});
  return key;
}

bool SetupContext::SetValue(HKEY key, HKEY root, const std::string& path, const std::string& name,
                            DWORD type, const std::string& data) {
  WorkItem before{Change::kValueSet, path, name, root};
  ReadStored(key, name, before.type, before.data);
  if (RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                     static_cast<DWORD>(data.size())) != ERROR_SUCCESS) {
    return false;
  }
  Work.Add(std::move(before));
  return true;
}

bool SetupContext::OpenSettingsKey() {
  bool userProtected = false;
  SettingsKeyHandle =
      OpenKeyToWrite(HKEY_CURRENT_USER, LoadText(IDS_SETTINGS_KEY), userProtected);
  return SettingsKeyHandle.IsValid();
}

bool SetupContext::WriteSetting(const std::string& name, DWORD type, const std::string& data,
                                const std::string& shown) {
  const std::string path = LoadText(IDS_SETTINGS_KEY);
  const bool written = SettingsKeyHandle.IsValid() &&
                       SetValue(SettingsKeyHandle.Get(), HKEY_CURRENT_USER, path, name, type, data);
  LogValue(Log, written, HKEY_CURRENT_USER, path, name, shown);
  return written;
}

bool SetupContext::WriteSettingString(const std::string& name, const std::string& data) {
  return WriteSetting(name, REG_SZ, StringBytes(data), data);
}

bool SetupContext::WriteSettingStringById(StringId name, const std::string& data) {
  return WriteSettingString(LoadText(name), data);
}

// Stored as REG_BINARY, least significant byte first: the main program reads
// these flags as four raw bytes.
bool SetupContext::WriteSettingDword(StringId name, DWORD number) {
  return WriteSetting(LoadText(name), REG_BINARY, NumberBytes(number), FormatText("%lu", number));
}

void SetupContext::CloseSettingsKey() { SettingsKeyHandle.Reset(); }

bool SetupContext::SetRegValue(HKEY root, StringId key, StringId name, DWORD type,
                               const std::string& data, const std::string& shown) {
  bool userProtected = false;
  const std::string path = LoadText(key);
  const std::string valueName = name == 0 ? std::string() : LoadText(name);
  const ScopedRegKey opened = OpenKeyToWrite(root, path, userProtected);
  const bool written = opened.IsValid() && SetValue(opened.Get(), root, path, valueName, type, data);
  LogValue(Log, written, root, path, valueName, shown);
  return written || userProtected;
}

bool SetupContext::SetRegString(HKEY root, StringId key, StringId name, const std::string& data) {
  return SetRegValue(root, key, name, REG_SZ, StringBytes(data), data);
}

bool SetupContext::SetRegDword(HKEY root, StringId key, StringId name, DWORD number) {
  return SetRegValue(root, key, name, REG_DWORD, NumberBytes(number), FormatText("%lu", number));
}

bool SetupContext::DeleteRegValue(HKEY root, StringId key, StringId name) {
  const std::string path = LoadText(key);
  const ScopedRegKey opened = OpenFullAccess(root, path);
  WorkItem before{Change::kValueSet, path, LoadText(name), root};
  if (opened.IsValid()) ReadStored(opened.Get(), before.other, before.type, before.data);
  // A missing key or value is nothing to delete; a key the user may not open stays.
  if (before.type == REG_NONE) return true;
  if (RegDeleteValueA(opened.Get(), before.other.c_str()) != ERROR_SUCCESS) return false;
  Log.Write("removed", RegistryPath(root, path) + " " + before.other);
  Work.Add(std::move(before));
  return true;
}

bool SetupContext::DeleteRegKey(HKEY root, StringId key, int levels) const {
  std::string path = LoadText(key);
  for (int level = 0; level < levels; ++level) {
    switch (DeleteLevel(root, path)) {
      case Deletion::kFailed:
        Log.Write("not removed", RegistryPath(root, path));
        return false;
      case Deletion::kKept:
        return true;
      case Deletion::kDeleted:
        Log.Write("removed", RegistryPath(root, path));
        break;
      case Deletion::kHeld:
        break;
    }
    const std::string::size_type slash = path.rfind('\\');
    if (slash != std::string::npos) path.resize(slash);
  }
  return true;
}
