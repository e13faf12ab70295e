// Whole keys compared with what the install must leave in them, and values
// moved out of the way for one test.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/driver/registry_values.h"

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
