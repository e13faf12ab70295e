#include "tests/driver/registry_values.h"

#include <cstdio>
#include <cwchar>
#include <utility>

#include "setup/scoped.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/setup_state.h"

namespace {

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

std::string TypeName(DWORD type) {
  if (type == REG_SZ) return "REG_SZ";
  if (type == REG_EXPAND_SZ) return "REG_EXPAND_SZ";
  return "type " + std::to_string(type);
}

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
    value.value.bytes.resize(largestData);
    DWORD size = largestData;
    if (RegEnumValueW(key, index, &name[0], &nameLength, nullptr, &value.value.type,
                      value.value.bytes.data(), &size) != ERROR_SUCCESS) {
      continue;
    }
    value.name = name.substr(0, nameLength);
    value.value.bytes.resize(size);
    values.push_back(std::move(value));
  }
  return values;
}

}  // namespace

std::string Describe(const RegValue& value) {
  if (IsText(value.type)) {
    const auto* const text = reinterpret_cast<const wchar_t*>(value.bytes.data());
    const size_t length = value.bytes.size() / sizeof(wchar_t);
    return TypeName(value.type) + " \"" + Utf8(std::wstring(text, wcsnlen(text, length))) +
           "\" (" + std::to_string(value.bytes.size()) + " bytes)";
  }
  std::string described = TypeName(value.type) + ":";
  for (BYTE byte : value.bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", byte);
    described += hex;
  }
  return described;
}

void PrintTo(const RegValue& value, std::ostream* out) { *out << Describe(value); }

RegValue StringValue(const std::wstring& text, DWORD type) {
  const auto* const first = reinterpret_cast<const BYTE*>(text.c_str());
  return {type, std::vector<BYTE>(first, first + (text.size() + 1) * sizeof(wchar_t))};
}

RegValue NumberValue(DWORD number, DWORD type) {
  RegValue value;
  value.type = type;
  for (int shift = 0; shift < 32; shift += 8) {
    value.bytes.push_back(static_cast<BYTE>(number >> shift));
  }
  return value;
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
  value.bytes.resize(size);
  if (RegQueryValueExW(opened.Get(), name.c_str(), nullptr, &value.type,
                       size != 0 ? value.bytes.data() : nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.bytes.resize(size);
  return value;
}

bool TryWriteRegValue(HKEY root, const std::wstring& key, const std::wstring& name,
                      const RegValue& value) {
  ScopedRegKey created;
  return RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                         created.Receive(), nullptr) == ERROR_SUCCESS &&
         RegSetValueExW(created.Get(), name.c_str(), 0, value.type, value.bytes.data(),
                        static_cast<DWORD>(value.bytes.size())) == ERROR_SUCCESS;
}

void WriteRegValue(HKEY root, const std::wstring& key, const std::wstring& name,
                   const RegValue& value) {
  if (!TryWriteRegValue(root, key, name, value)) {
    throw DriverError("could not write the registry value " + Utf8(key) + "\\" + Utf8(name));
  }
}

namespace {
const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
const wchar_t kLogPixels[] = L"LogPixels";
}  // namespace

DisplayDpi::DisplayDpi(DWORD dpi) : saved_(ReadRegValue(HKEY_CURRENT_USER, kDesktopKey, kLogPixels)) {
  WriteRegValue(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, NumberValue(dpi, REG_DWORD));
}

DisplayDpi::~DisplayDpi() {
  if (saved_) {
    TryWriteRegValue(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, *saved_);
  } else {
    DeleteRegValue(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
  }
}

std::optional<std::vector<NamedValue>> ReadKeyValues(HKEY root, const std::wstring& key) {
  ScopedRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return AllValues(opened.Get());
}

std::map<std::wstring, RegValue> ReadAllRegValues(HKEY root, const std::wstring& key) {
  std::map<std::wstring, RegValue> values;
  for (NamedValue& each : ReadKeyValues(root, key).value_or(std::vector<NamedValue>())) {
    values[each.name] = std::move(each.value);
  }
  return values;
}
