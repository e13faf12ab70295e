// Registry operations of the setup context. Every key is opened and closed within
// the operation, except the settings key, which the two settings-writing pages
// hold open between OpenSettingsKey and CloseSettingsKey.
#include "setup/setup_context.h"

namespace {

// Value reads get this many bytes; longer data read as missing.
constexpr DWORD kValueBufferSize = MAX_PATH;
// Longest subkey name enumerated by DeleteRegKey.
constexpr DWORD kSubkeyNameSize = 255;

// Opens root\path with full access, also for reading: a key the user may not
// open that way reads as missing.
ScopedRegKey OpenFullAccess(HKEY root, const std::string& path) {
  ScopedRegKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS) {
    key.Release();
  }
  return key;
}

ScopedRegKey CreateKey(HKEY root, StringId path) {
  ScopedRegKey key;
  if (RegCreateKeyA(root, LoadText(path).c_str(), key.Receive()) != ERROR_SUCCESS) key.Release();
  return key;
}

bool SetStringValue(HKEY key, const std::string& name, const std::string& data) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(data.c_str());
  return RegSetValueExA(key, name.c_str(), 0, REG_SZ, bytes,
                        static_cast<DWORD>(data.size()) + 1) == ERROR_SUCCESS;
}

// A string value's text: the bytes up to the first zero, or all of them when the
// data hold none; the type is not looked at.
std::string TextOf(const BYTE* data, DWORD size) {
  DWORD length = 0;
  while (length < size && data[length] != 0) ++length;
  return std::string(reinterpret_cast<const char*>(data), length);
}

// Deletes the direct subkeys of `key`, last index first so that the indices of
// the ones still to come stay valid.
void DeleteDirectSubkeys(HKEY key) {
  DWORD count = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    count = 0;
  }
  for (DWORD index = count; index-- > 0;) {
    char name[kSubkeyNameSize + 1];
    DWORD length = sizeof(name);
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) ==
        ERROR_SUCCESS) {
      RegDeleteKeyA(key, name);
    }
  }
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
  BYTE data[kValueBufferSize];
  DWORD size = sizeof(data);
  if (RegQueryValueExA(opened.Get(), name.c_str(), nullptr, nullptr, data, &size) !=
      ERROR_SUCCESS) {
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
    char name[kSubkeyNameSize + 1];
    DWORD nameLength = sizeof(name);
    BYTE data[kValueBufferSize];
    DWORD size = sizeof(data);
    DWORD type = REG_NONE;
    const LONG result =
        RegEnumValueA(opened.Get(), index, name, &nameLength, nullptr, &type, data, &size);
    if (result == ERROR_NO_MORE_ITEMS) return values;
    // A value too long for the buffer, or not a string, is passed over.
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
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

bool SetupContext::OpenSettingsKey() {
  HKEY* key = SettingsKeyHandle.Receive();
  if (RegCreateKeyExA(HKEY_CURRENT_USER, LoadText(IDS_SETTINGS_KEY).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key,
                      nullptr) != ERROR_SUCCESS) {
    SettingsKeyHandle.Release();
    return false;
  }
  return true;
}

bool SetupContext::WriteSettingString(const std::string& name, const std::string& data) {
  const bool written =
      SettingsKeyHandle.IsValid() && SetStringValue(SettingsKeyHandle.Get(), name, data);
  LogValue(Log, written, HKEY_CURRENT_USER, LoadText(IDS_SETTINGS_KEY), name, data);
  return written;
}

bool SetupContext::WriteSettingStringById(StringId name, const std::string& data) {
  return WriteSettingString(LoadText(name), data);
}

bool SetupContext::WriteSettingDword(StringId name, DWORD number) {
  if (!SettingsKeyHandle.IsValid()) return false;
  // Stored as REG_BINARY, least significant byte first: the main program reads
  // these flags as four raw bytes.
  const BYTE bytes[4] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                         static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
  const bool written = RegSetValueExA(SettingsKeyHandle.Get(), LoadText(name).c_str(), 0,
                                      REG_BINARY, bytes, sizeof(bytes)) == ERROR_SUCCESS;
  LogValue(Log, written, HKEY_CURRENT_USER, LoadText(IDS_SETTINGS_KEY), LoadText(name),
           FormatText("%lu", number));
  return written;
}

void SetupContext::CloseSettingsKey() { SettingsKeyHandle.Reset(); }

void SetupContext::SetRegString(HKEY root, StringId key, StringId name,
                                const std::string& data) const {
  const ScopedRegKey created = CreateKey(root, key);
  const std::string valueName = name == 0 ? std::string() : LoadText(name);
  LogValue(Log, created.IsValid() && SetStringValue(created.Get(), valueName, data), root,
           LoadText(key), valueName, data);
}

void SetupContext::SetRegDword(HKEY root, StringId key, StringId name, DWORD number) const {
  const ScopedRegKey created = CreateKey(root, key);
  LogValue(Log,
           created.IsValid() &&
               RegSetValueExA(created.Get(), LoadText(name).c_str(), 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&number),
                              sizeof(number)) == ERROR_SUCCESS,
           root, LoadText(key), LoadText(name), FormatText("%lu", number));
}

void SetupContext::DeleteRegValue(HKEY root, StringId key, StringId name) const {
  const ScopedRegKey opened = OpenFullAccess(root, LoadText(key));
  if (opened.IsValid() && RegDeleteValueA(opened.Get(), LoadText(name).c_str()) == ERROR_SUCCESS) {
    Log.Write("removed", RegistryPath(root, LoadText(key)) + " " + LoadText(name));
  }
}

void SetupContext::DeleteRegKey(HKEY root, StringId key, int levels) const {
  std::string path = LoadText(key);
  for (int level = 0; level < levels; ++level) {
    {
      const ScopedRegKey opened = OpenFullAccess(root, path);
      if (!opened.IsValid()) return;
      DeleteDirectSubkeys(opened.Get());
    }
    if (RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS) {
      Log.Write("removed", RegistryPath(root, path));
    }
    const std::string::size_type slash = path.rfind('\\');
    if (slash != std::string::npos) path.resize(slash);
  }
}
