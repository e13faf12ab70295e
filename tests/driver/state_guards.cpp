#include "tests/driver/state_guards.h"

#include <shlwapi.h>

#include <utility>

#include "tests/driver/file_contents.h"
#include "tests/driver/setup_state.h"
#include "tests/driver/test_files.h"

namespace {

// Wine's settings for single programs, by file name.
const wchar_t kAppDefaultsKey[] = L"Software\\Wine\\AppDefaults";

}  // namespace

RegValueGuard::RegValueGuard(HKEY root, std::wstring key, std::wstring name)
    : root_(root),
      key_(std::move(key)),
      name_(std::move(name)),
      saved_(ReadRegValue(root_, key_, name_)) {}

RegValueGuard::~RegValueGuard() {
  RestoreOrReport([&] {
    if (saved_) {
      WriteRegValue(root_, key_, name_, *saved_);
    } else {
      DeleteRegValue(root_, key_, name_);
    }
  });
}

RegKeyGuard::RegKeyGuard(HKEY root, std::wstring key)
    : root_(root), key_(std::move(key)), existed_(RegKeyExists(root_, key_)) {}

RegKeyGuard::~RegKeyGuard() {
  if (!existed_) SHDeleteKeyW(root_, key_.c_str());
}

FileGuard::FileGuard(std::wstring path)
    : path_(std::move(path)),
      saved_(ReadFileBytes(path_)),
      attributes_(GetFileAttributesW(path_.c_str())) {}

FileGuard::~FileGuard() {
  SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  RestoreOrReport([&] {
    if (!saved_) {
      DeleteFileW(path_.c_str());
      return;
    }
    WriteFileBytes(path_, *saved_);
    SetFileAttributesW(path_.c_str(), attributes_);
  });
}

Windows98Mode::Windows98Mode(const std::wstring& exeName)
    : appDefaults_(HKEY_CURRENT_USER, kAppDefaultsKey),
      programKey_(HKEY_CURRENT_USER, JoinPath(kAppDefaultsKey, exeName)),
      version_(HKEY_CURRENT_USER, JoinPath(kAppDefaultsKey, exeName), L"Version") {
  WriteRegString(HKEY_CURRENT_USER, JoinPath(kAppDefaultsKey, exeName), L"Version", L"win98");
}
