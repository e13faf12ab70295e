// Which folders count as shared, whatever the spelling they are given in.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "setup/files.h"
#include "setup/install_folder.h"
#include "setup/setup_context.h"
#include "setup/setup_log.h"
#include "setup/shared_folder.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/file_contents.h"
#include "tests/driver/redirected_registry.h"
#include "tests/driver/setup_names.h"
#include "tests/driver/test_files.h"

namespace {

std::string Upper(std::string text) {
  CharUpperA(&text[0]);
  return text;
}

class SharedFolderTest : public RedirectedRegistryTest {
 protected:
  TempFolder scratchFolder;
  const std::string scratch = NarrowFolder(scratchFolder.Path());
};

std::string ProfileDir() {
  char profile[MAX_PATH] = "";
  GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
  return profile;
}

TEST_F(SharedFolderTest, RootsAndSystemFoldersAreSharedInEverySpelling) {
  const std::string windows = Narrow(WindowsFolder());
  ASSERT_NE(ProfileDir(), "");
  const std::pair<std::string, bool> cases[] = {
      {"C:\\", true},
      {"C:\\\\", true},
      {"c:\\windows\\..", true},
      {windows, true},
      {Upper(windows) + "\\", true},
      {windows + "\\.", true},
      {windows + "\\system32\\..", true},
      {windows + "\\\\system32\\", true},
      {"\\\\server\\share\\", true},
      {"", true},
      {"\\\\?\\" + windows, true},
      {"\\\\.\\" + windows + "\\KALENDRO", true},
      {windows + "\\KALENDRO\\", true},
      {windows + "\\Fonts\\..\\Temp", true},
      {ProfileDir(), true},
      {ProfileDir() + "\\KALENDRO", false},
      {"\\\\server\\share\\KALENDRO\\", false},
      {windows + "KALENDRO\\", false},
      {scratch, false},
  };
  for (const auto& [folder, shared] : cases) EXPECT_EQ(IsSharedFolder(folder), shared) << folder;
}

TEST_F(SharedFolderTest, RegisteredFoldersAreSharedInEverySpelling) {
  const std::string folder = scratch + "Long Folder Name";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string shortFolder = ShortPath(folder);
  ASSERT_NE(shortFolder, "");
  ASSERT_NE(shortFolder, folder);
  const std::string spellings[] = {folder, folder + "\\", Upper(folder), shortFolder,
                                   scratch + "\\Long Folder Name\\.\\",
                                   folder + "\\sub\\..\\"};
  const char* const currentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  const std::string shellFolders = Narrow(kShellFoldersKey);
  // Every value of both "Shell Folders" keys counts, whatever its name.
  const std::tuple<HKEY, const char*, const char*> values[] = {
      {HKEY_LOCAL_MACHINE, currentVersion, "ProgramFilesDir"},
      {HKEY_LOCAL_MACHINE, currentVersion, "CommonFilesDir"},
      {HKEY_CURRENT_USER, shellFolders.c_str(), "Desktop"},
      {HKEY_CURRENT_USER, shellFolders.c_str(), "Personal"},
      {HKEY_CURRENT_USER, shellFolders.c_str(), "Local AppData"},
      {HKEY_LOCAL_MACHINE, shellFolders.c_str(), "Common Documents"},
      {HKEY_LOCAL_MACHINE, shellFolders.c_str(), "Some Future Folder"}};
  for (const auto& [root, key, value] : values) {
    SCOPED_TRACE(value);
    SetStringValue(root, key, value, Upper(shortFolder));
    for (const std::string& spelling : spellings) EXPECT_TRUE(IsSharedFolder(spelling)) << spelling;
    EXPECT_FALSE(IsSharedFolder(scratch));
    EXPECT_FALSE(IsSharedFolder(folder + "\\KALENDRO"));
    // An empty value names no folder, not the current one.
    SetStringValue(root, key, value, "");
    EXPECT_FALSE(IsSharedFolder(folder));
    EXPECT_FALSE(IsSharedFolder("."));
  }
}

// Names are judged by their characters: 130 letters are more bytes than
// MAX_PATH where each takes two. In a double-byte code page "ソ" (0x83 0x5C) ends
// with the backslash's byte: a folder with one is refused, as the program's
// byte-wise searches would cut it there, and the log makes no folder ending there.
TEST_F(SharedFolderTest, NamesAreJudgedByTheirCharacters) {
  const SetupContext context;
  const std::string letters = Narrow(std::wstring(65, L'ж'));
  EXPECT_TRUE(InstallFolder::Typed(context, scratch + letters + "\\" + letters).IsUsable());
  if (!IsDBCSLeadByte(0x83)) GTEST_SKIP() << "the rest is for a double-byte code page (ja_JP)";
  const std::string folder = scratch + "KQ \x83\x5C\x83t";
  EXPECT_FALSE(InstallFolder::Typed(context, folder).IsUsable());
  EXPECT_TRUE(InstallFolder::Typed(context, scratch + "KQ \x83t").IsUsable());
  SetupLog log;
  EXPECT_TRUE(log.Open(folder + "\\setup.log"));
  EXPECT_FALSE(FileExists(scratch + "KQ \x83"));
}

}  // namespace
