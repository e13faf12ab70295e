#include "tests/e2e/install_registry.h"

#include <cstdio>
#include <cwchar>
#include <utility>

#include "setup/scoped.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/setup_state.h"

namespace {

const wchar_t kAsideSuffix[] = L" (set aside by the install tests)";

std::vector<NamedValue> AllValues(HKEY key) {
  DWORD count = 0;
  DWORD longestName = 0;
  DWORD largestData = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                   &longestName, &largestData, nullptr, nullptr);
  std::vector<NamedValue> values;
  for (DWORD index = 0; index < count; ++index) {
    std::wstring name(longestName + 1, L'\0');
    DWORD nameLength = longestName + 1;
    NamedValue value;
    value.value.data.resize(largestData);
    DWORD size = largestData;
    if (RegEnumValueW(key, index, &name[0], &nameLength, nullptr, &value.value.type,
                      value.value.data.data(), &size) != ERROR_SUCCESS) {
      continue;
    }
    value.name = name.substr(0, nameLength);
    value.value.data.resize(size);
    values.push_back(std::move(value));
  }
  return values;
}

// The values of root\key; none when the key is missing.
std::optional<std::vector<NamedValue>> KeyValues(HKEY root, const std::wstring& key) {
  ScopedRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return AllValues(opened.Get());
}

// `name` in the letter case the key stores it in; empty when the key has no such value.
std::wstring StoredName(HKEY root, const std::wstring& key, const std::wstring& name) {
  for (const NamedValue& value : KeyValues(root, key).value_or(std::vector<NamedValue>())) {
    if (_wcsicmp(value.name.c_str(), name.c_str()) == 0) return value.name;
  }
  return std::wstring();
}

std::string Describe(const RegValue& value) {
  if (value.type == REG_SZ) {
    const std::wstring text(reinterpret_cast<const wchar_t*>(value.data.data()),
                            value.data.size() / sizeof(wchar_t));
    return "REG_SZ \"" + Utf8(text.substr(0, wcsnlen(text.c_str(), text.size()))) + "\" (" +
           std::to_string(value.data.size()) + " bytes)";
  }
  std::string bytes = "type " + std::to_string(value.type) + ":";
  for (BYTE byte : value.data) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", byte);
    bytes += hex;
  }
  return bytes;
}

bool TryWriteRegValue(HKEY root, const std::wstring& key, const std::wstring& name,
                      const RegValue& value) {
  ScopedRegKey created;
  return RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                         created.Receive(), nullptr) == ERROR_SUCCESS &&
         RegSetValueExW(created.Get(), name.c_str(), 0, value.type, value.data.data(),
                        static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

std::string Quoted(const std::wstring& name) { return "'" + Utf8(name) + "'"; }

}  // namespace

RegValue StringValue(const std::wstring& text) {
  const auto* const first = reinterpret_cast<const BYTE*>(text.c_str());
  return {REG_SZ, std::vector<BYTE>(first, first + (text.size() + 1) * sizeof(wchar_t))};
}

RegValue BinaryFlag(DWORD number) {
  std::vector<BYTE> bytes;
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<BYTE>(number >> shift));
  return {REG_BINARY, bytes};
}

std::optional<RegValue> ReadRegValue(HKEY root, const std::wstring& key, const std::wstring& name) {
  ScopedRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, opened.Receive()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RegValue value;
  DWORD size = 0;
  if (RegQueryValueExW(opened.Get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  if (RegQueryValueExW(opened.Get(), name.c_str(), nullptr, &value.type, value.data.data(),
                       &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  return value;
}

void WriteRegValue(HKEY root, const std::wstring& key, const std::wstring& name,
                   const RegValue& value) {
  if (!TryWriteRegValue(root, key, name, value)) {
    throw DriverError("could not write the registry value " + Utf8(key) + "\\" + Utf8(name));
  }
}

::testing::AssertionResult KeyHolds(HKEY root, const std::wstring& key,
                                    const std::vector<NamedValue>& expected) {
  const std::optional<std::vector<NamedValue>> actual = KeyValues(root, key);
  if (!actual) return ::testing::AssertionFailure() << "key " << Quoted(key) << " is missing";
  std::string differences;
  for (const NamedValue& wanted : expected) {
    const NamedValue* found = nullptr;
    for (const NamedValue& value : *actual) {
      if (value.name == wanted.name) found = &value;
    }
    if (found == nullptr) {
      differences += "\n  " + Quoted(wanted.name) + " is missing";
    } else if (!(found->value == wanted.value)) {
      differences += "\n  " + Quoted(wanted.name) + " is " + Describe(found->value) +
                     " instead of " + Describe(wanted.value);
    }
  }
  for (const NamedValue& value : *actual) {
    bool wanted = false;
    for (const NamedValue& each : expected) wanted = wanted || each.name == value.name;
    if (!wanted) differences += "\n  " + Quoted(value.name) + " is extra: " + Describe(value.value);
  }
  if (differences.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "key " << Quoted(key) << ":" << differences;
}

SetAsideRegValue::SetAsideRegValue(HKEY root, std::wstring key, const std::wstring& name)
    : root_(root), key_(std::move(key)) {
  const std::wstring leftover = StoredName(root_, key_, name + kAsideSuffix);
  if (!leftover.empty()) {
    name_ = leftover.substr(0, leftover.size() - std::wcslen(kAsideSuffix));
    PutBack();
  }
  name_ = StoredName(root_, key_, name);
  if (name_.empty()) name_ = name;
  original_ = ReadRegValue(root_, key_, name_);
  if (original_) {
    WriteRegValue(root_, key_, name_ + kAsideSuffix, *original_);
    DeleteRegValue(root_, key_, name_);
  }
}

SetAsideRegValue::~SetAsideRegValue() { PutBack(); }

void SetAsideRegValue::PutBack() const {
  const std::wstring aside = name_ + kAsideSuffix;
  const std::optional<RegValue> kept = ReadRegValue(root_, key_, aside);
  DeleteRegValue(root_, key_, name_);
  // Runs in the destructor, so it cannot throw; a value that could not be put
  // back stays aside for the next run to restore.
  if (kept && TryWriteRegValue(root_, key_, name_, *kept)) DeleteRegValue(root_, key_, aside);
}
