// Owners of machine state that a test changes outside its own folder: each puts
// back what it found when it goes, and a failure to do so fails the test.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/driver/driver_common.h"
#include "tests/driver/registry_values.h"

// Runs `restore` from a destructor: a failure is reported, not thrown.
template <typename Restore>
void RestoreOrReport(Restore restore) {
  try {
    restore();
  } catch (const DriverError& error) {
    ADD_FAILURE() << error.what();
  }
}

// Puts one registry value back as it was, or removes it when there was none.
class RegValueGuard {
 public:
  RegValueGuard(HKEY root, std::wstring key, std::wstring name);
  ~RegValueGuard();
  RegValueGuard(const RegValueGuard&) = delete;
  RegValueGuard& operator=(const RegValueGuard&) = delete;

 private:
  HKEY root_;
  std::wstring key_;
  std::wstring name_;
  std::optional<RegValue> saved_;
};

// Removes root\key with all it holds when it goes, if it did not exist when the
// guard was made: then everything in it was made during the test.
class RegKeyGuard {
 public:
  RegKeyGuard(HKEY root, std::wstring key);
  ~RegKeyGuard();
  RegKeyGuard(const RegKeyGuard&) = delete;
  RegKeyGuard& operator=(const RegKeyGuard&) = delete;

 private:
  HKEY root_;
  std::wstring key_;
  bool existed_;
};

// Puts a file back as it was (bytes and attributes), or deletes it when there was none.
class FileGuard {
 public:
  explicit FileGuard(std::wstring path);
  ~FileGuard();
  FileGuard(const FileGuard&) = delete;
  FileGuard& operator=(const FileGuard&) = delete;

  const std::wstring& Path() const { return path_; }
  // Its bytes when the guard was made; none when there was no file.
  const std::optional<std::string>& Saved() const { return saved_; }

 private:
  std::wstring path_;
  std::optional<std::string> saved_;
  DWORD attributes_;
};

// Wine tells the program file named `exeName` that it runs on Windows 98 (the
// platform whose deferred file operations go through WININIT.INI) while this
// lives; its settings for programs are put back as they were.
class Windows98Mode {
 public:
  explicit Windows98Mode(const std::wstring& exeName);

 private:
  RegKeyGuard appDefaults_;  // the parent of all such keys
  RegKeyGuard programKey_;
  RegValueGuard version_;
};
