// Deleting the uninstaller at the next restart: the WININIT.INI text and file
// rules of the older family, and no deletion of any other file.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "setup/setup_context.h"
#include "setup/shared_folder.h"
#include "setup/wininit.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/file_contents.h"
#include "tests/driver/registry_values.h"
#include "tests/driver/setup_names.h"
#include "tests/driver/setup_run.h"
#include "tests/driver/state_guards.h"
#include "tests/driver/test_files.h"

namespace {

TEST(AddRenameEntry, MakesTheEntryTheFirstLineOfTheFirstRenameSection) {
  const std::string entry = "NUL=C:\\WINDOWS\\KQUNINST.EXE";
  const std::pair<std::string, std::string> cases[] = {
      {"", "[rename]\r\n" + entry},
      {"[rename]\r\n", "[rename]\r\n" + entry + "\r\n"},
      {"[rename]\r\nNUL=C:\\OLD.EXE\r\n", "[rename]\r\n" + entry + "\r\nNUL=C:\\OLD.EXE\r\n"},
      {"[boot]\r\n[rename]\r\nA=B\r\n[rename]\r\nC=D\r\n",
       "[boot]\r\n[rename]\r\n" + entry + "\r\nA=B\r\n[rename]\r\nC=D\r\n"},
      {"[RENAME]\r\nA=B\r\n", "[RENAME]\r\nA=B\r\n[rename]\r\n" + entry},
      {"[rename]\nA=B\n", "[rename]\nA=B\n[rename]\r\n" + entry},
      {"[boot]\r\nshell=x", "[boot]\r\nshell=x\r\n[rename]\r\n" + entry},
      {"[boot]\r\nshell=x\r\n", "[boot]\r\nshell=x\r\n[rename]\r\n" + entry},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(AddRenameEntry(text, entry), expected) << text;
}

// The entries a reinstall drops: deletions of its uninstaller's file, in either
// spelling, and only in "[rename]" sections.
TEST(RemoveDeleteEntries, DropsOnlyTheRenameSectionsDeletionsOfThatFile) {
  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  const std::string path = self;
  const std::string shortPath = ShortPath(path);
  const std::string other = "[rename]\r\nNUL=C:\\OLD.TMP\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {"[rename]\r\nNUL=" + shortPath + "\r\nNUL=C:\\OLD.TMP\r\n", other},
      {other + "NUL=" + path, other},
      {"[boot]\r\nNUL=" + shortPath + "\r\n" + other, "[boot]\r\nNUL=" + shortPath + "\r\n" + other},
      {other + "C:\\NEW.EXE=" + shortPath + "\r\n", other + "C:\\NEW.EXE=" + shortPath + "\r\n"},
      {other, other},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(RemoveDeleteEntries(text, path), expected) << text;
}

std::optional<RegValue> QueryPendingRenames() {
  return ReadRegValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
}

// The system's list of (source, target) pairs; an empty target deletes the source.
std::vector<std::pair<std::wstring, std::wstring>> PendingRenames() {
  std::vector<std::pair<std::wstring, std::wstring>> pairs;
  const std::optional<RegValue> value = QueryPendingRenames();
  if (!value) return pairs;
  const wchar_t* text = reinterpret_cast<const wchar_t*>(value->bytes.data());
  const wchar_t* end = text + value->bytes.size() / sizeof(wchar_t);
  while (text < end && *text != L'\0') {
    std::wstring source = text;
    text += source.size() + 1;
    std::wstring target = text < end ? text : L"";
    text += target.size() + 1;
    pairs.emplace_back(std::move(source), std::move(target));
  }
  return pairs;
}

// Puts the pending renames back exactly as they were, or removes the value.
class PreservedPendingRenames : public RegValueGuard {
 public:
  PreservedPendingRenames()
      : RegValueGuard(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue) {}
};

// The child's part of the test below, run in a copy of this program.
TEST(ScheduleSelfDeletion, DISABLED_RunAsTheUninstallerCopy) {
  SetupContext().ScheduleSelfDeletion();
}

// The program that schedules itself is a copy of this one, started as the
// uninstaller in the Windows directory: a run killed before the list is put back
// leaves that copy scheduled, never a file of the build tree.
TEST(ScheduleSelfDeletion, OnTheNtFamilyTheSystemDeletesTheRunningProgramAtRestart) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  ASSERT_TRUE(GetVersionExA(&version));
  ASSERT_EQ(version.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  const PreservedPendingRenames preservedRenames;
  const FileGuard wininit(WindowsFolderFile(L"WININIT.INI"));
  const FileGuard uninstaller(WindowsFolderFile(L"kquninst.exe"));
  const std::string copy = Narrow(uninstaller.Path());
  ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE)) << copy;
  auto expected = PendingRenames();
  const wchar_t kChildArguments[] =
      L"--gtest_brief=1 --gtest_also_run_disabled_tests "
      L"--gtest_filter=ScheduleSelfDeletion.DISABLED_RunAsTheUninstallerCopy";

  ASSERT_EQ(SetupRun(uninstaller.Path(), kChildArguments).WaitForExit(std::chrono::seconds(60)), 0u);

  expected.emplace_back(L"\\??\\" + uninstaller.Path(), L"");
  EXPECT_EQ(PendingRenames(), expected);
  EXPECT_EQ(ReadFileBytes(wininit.Path()), wininit.Saved());
}

// The test program is not the uninstaller's copy in the Windows directory: its
// file is the user's, and neither family's list gets it.
TEST(ScheduleSelfDeletion, AnotherFileThanTheWindowsUninstallerIsNotScheduled) {
  const PreservedPendingRenames preservedRenames;
  const auto before = PendingRenames();
  const FileGuard wininit(WindowsFolderFile(L"WININIT.INI"));

  SetupContext().ScheduleSelfDeletion();

  EXPECT_EQ(PendingRenames(), before);
  EXPECT_EQ(ReadFileBytes(wininit.Path()), wininit.Saved());
}

TEST(AddWininitEntry, AFileThatCannotBeReadOrReplacedWholeKeepsItsContent) {
  const std::string entry = "NUL=C:\\WINDOWS\\KQUNINST.EXE";
  const std::string other = "[boot]\r\nshell=Explorer.exe\r\n";
  struct Case {
    const char* what;
    std::optional<std::string> before;
    DWORD attributes;
    bool locked;
    bool added;
    std::optional<std::string> after;
  };
  const Case cases[] = {
      {"absent", std::nullopt, FILE_ATTRIBUTE_NORMAL, false, true, "[rename]\r\n" + entry},
      {"other sections", other, FILE_ATTRIBUTE_NORMAL, false, true,
       other + "[rename]\r\n" + entry},
      {"read-only", other, FILE_ATTRIBUTE_READONLY, false, false, other},
      {"locked", other, FILE_ATTRIBUTE_NORMAL, true, false, other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TempFolder folder;
    const std::string path = NarrowFolder(folder.Path()) + "WININIT.INI";
    if (c.before) WriteFileBytes(path, *c.before);
    SetFileAttributesA(path.c_str(), c.attributes);
    {
      const ScopedFile held(c.locked ? CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                     : INVALID_HANDLE_VALUE);
      EXPECT_EQ(AddWininitEntry(path, entry), c.added);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(path), c.after);
    // No temporary file is left beside it.
    WIN32_FIND_DATAA found;
    const ScopedFind search(FindFirstFileA((NarrowFolder(folder.Path()) + "*.tmp").c_str(), &found));
    EXPECT_FALSE(search.IsValid()) << found.cFileName;
  }
}

}  // namespace
