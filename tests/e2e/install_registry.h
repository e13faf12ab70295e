// Registry values as stored (type and bytes), whole keys compared with what the
// install must leave in them, and values moved out of the way for one test.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

struct RegValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;

  bool operator==(const RegValue& other) const {
    return type == other.type && data == other.data;
  }
};

// REG_SZ of `text` with its terminating zero, as the system stores it (UTF-16).
RegValue StringValue(const std::wstring& text);
// REG_BINARY of the four bytes of `number`, least significant first.
RegValue BinaryFlag(DWORD number);

std::optional<RegValue> ReadRegValue(HKEY root, const std::wstring& key, const std::wstring& name);
void WriteRegValue(HKEY root, const std::wstring& key, const std::wstring& name,
                   const RegValue& value);

struct NamedValue {
  std::wstring name;  // empty for the key's default value
  RegValue value;
};

// Whether root\key exists and holds exactly `expected`: the same names, in the
// same letter case, with the same types and bytes, and no other value.
::testing::AssertionResult KeyHolds(HKEY root, const std::wstring& key,
                                    const std::vector<NamedValue>& expected);

// Moves a value aside under a name of its own in the same key, so that the test
// sees it missing, and puts it back exactly (name, type, bytes) when it goes,
// dropping whatever the test left under that name. A value left aside by a run
// that was killed is put back first.
class SetAsideRegValue {
 public:
  SetAsideRegValue(HKEY root, std::wstring key, const std::wstring& name);
  ~SetAsideRegValue();
  SetAsideRegValue(const SetAsideRegValue&) = delete;
  SetAsideRegValue& operator=(const SetAsideRegValue&) = delete;

  // The value as it was before the test.
  const std::optional<RegValue>& Original() const { return original_; }

 private:
  void PutBack() const;

  HKEY root_;
  std::wstring key_;
  std::wstring name_;  // as stored, in its own letter case
  std::optional<RegValue> original_;
};
