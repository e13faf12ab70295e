// Registry values as stored: type and bytes, read and written whole, and every
// value of a key at once.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct RegValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;

  bool operator==(const RegValue& other) const {
    return type == other.type && bytes == other.bytes;
  }
};

// The type, and the text of a string or the bytes of anything else.
std::string Describe(const RegValue& value);
// For failure messages.
void PrintTo(const RegValue& value, std::ostream* out);

// `text` with its terminating zero, as the system stores it (UTF-16).
RegValue StringValue(const std::wstring& text, DWORD type = REG_SZ);
// The four bytes of `number`, least significant first.
RegValue NumberValue(DWORD number, DWORD type);

std::optional<RegValue> ReadRegValue(HKEY root, const std::wstring& key, const std::wstring& name);
// Creates the key when missing; false when the value could not be written.
bool TryWriteRegValue(HKEY root, const std::wstring& key, const std::wstring& name,
                      const RegValue& value);
// As TryWriteRegValue, but throws DriverError on failure.
void WriteRegValue(HKEY root, const std::wstring& key, const std::wstring& name,
                   const RegValue& value);

// The display's DPI as Wine reads it when a program starts (the user's
// "LogPixels"), for the owner's length: programs started meanwhile draw at it.
// The value found is put back, or removed when there was none.
class DisplayDpi {
 public:
  explicit DisplayDpi(DWORD dpi);
  ~DisplayDpi();
  DisplayDpi(const DisplayDpi&) = delete;
  DisplayDpi& operator=(const DisplayDpi&) = delete;

 private:
  std::optional<RegValue> saved_;
};

struct NamedValue {
  std::wstring name;  // empty for the key's default value
  RegValue value;
};

// Every value of root\key, names in the letter case stored; none when the key is missing.
std::optional<std::vector<NamedValue>> ReadKeyValues(HKEY root, const std::wstring& key);
// Every value of root\key by name; empty when the key is missing.
std::map<std::wstring, RegValue> ReadAllRegValues(HKEY root, const std::wstring& key);
