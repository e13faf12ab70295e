#include "tests/e2e/install_registry.h"

#include <cwchar>
#include <utility>

#include "tests/driver/driver_common.h"
#include "tests/driver/setup_state.h"

namespace {

const wchar_t kAsideSuffix[] = L" (set aside by the install tests)";

// `name` in the letter case the key stores it in; empty when the key has no such value.
std::wstring StoredName(HKEY root, const std::wstring& key, const std::wstring& name) {
  for (const NamedValue& value : ReadKeyValues(root, key).value_or(std::vector<NamedValue>())) {
    if (_wcsicmp(value.name.c_str(), name.c_str()) == 0) return value.name;
  }
  return std::wstring();
}

std::string Quoted(const std::wstring& name) { return "'" + Utf8(name) + "'"; }

}  // namespace

::testing::AssertionResult KeyHolds(HKEY root, const std::wstring& key,
                                    const std::vector<NamedValue>& expected) {
  const std::optional<std::vector<NamedValue>> actual = ReadKeyValues(root, key);
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
