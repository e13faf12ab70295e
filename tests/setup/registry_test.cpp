// The registry operations against Wine's registry, each test with the three
// roots redirected into a scratch key.
#include <gtest/gtest.h>

#include <vector>

#include "setup/installed_files.h"
#include "setup/setup_context.h"
#include "tests/driver/case_name.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/redirected_registry.h"
#include "tests/driver/setup_names.h"
#include "tests/driver/setup_state.h"

namespace {

// The settings key as the engine's narrow calls name it.
constexpr const char* kSettingsKeyA = "Software\\Morvane\\K!q\\3.x";
const HKEY kRoots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT};

class RegistryTest : public RedirectedRegistryTest {
 protected:
  SetupContext context;
};

TEST_F(RegistryTest, OverrideRedirectsEveryRootIntoTheScratchKey) {
  for (HKEY root : kRoots) {
    CreateKey(root, "KalquintOverrideProbe");
    EXPECT_TRUE(RegKeyExists(StandInFor(root), L"KalquintOverrideProbe")) << root;
  }
  EndOverride();
  for (HKEY root : kRoots) {
    EXPECT_FALSE(RegKeyExists(root, L"KalquintOverrideProbe")) << root;
    RegDeleteKeyA(root, "KalquintOverrideProbe");
  }
}

TEST_F(RegistryTest, MissingValueOrKeyLeavesTheOutputUnchanged) {
  SetStringValue(HKEY_CURRENT_USER, kSettingsKeyA, "Other", "C:\\other\\");
  std::string out = "C:\\kept\\";
  EXPECT_FALSE(context.ReadRegStringById(HKEY_CURRENT_USER, IDS_SETTINGS_KEY, IDS_LOCATION, out));
  EXPECT_FALSE(
      context.ReadRegStringById(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, IDS_DISPLAY_NAME, out));
  EXPECT_EQ(out, "C:\\kept\\");
}

TEST_F(RegistryTest, ReadStringTakesTheBytesUpToTheFirstZeroOfAnyType) {
  struct Case {
    const char* what;
    DWORD type;
    std::string bytes;
    bool read;
    std::string text;
  };
  const Case cases[] = {
      {"259 characters", REG_SZ, std::string(259, 'a') + '\0', true, std::string(259, 'a')},
      {"260 bytes, no zero", REG_BINARY, std::string(260, 'b'), true, std::string(260, 'b')},
      {"261 bytes", REG_SZ, std::string(260, 'c') + '\0', false, "unchanged"},
      {"259 letters", REG_SZ, Narrow(std::wstring(259, L'ж')) + '\0', true,
       Narrow(std::wstring(259, L'ж'))},
      {"REG_DWORD", REG_DWORD, std::string("AB\0C", 4), true, "AB"},
      {"no terminator", REG_BINARY, "abc", true, "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetRawValue(HKEY_CURRENT_USER, kSettingsKeyA, "Probe", c.type, c.bytes);
    std::string out = "unchanged";
    EXPECT_EQ(context.ReadRegString(HKEY_CURRENT_USER, IDS_SETTINGS_KEY, "Probe", out), c.read);
    EXPECT_EQ(out, c.text);
  }
}

TEST_F(RegistryTest, ReadDwordTakesFourBytesOfAnyType) {
  struct Case {
    DWORD type;
    std::string bytes;
    bool read;
    DWORD number;
  };
  const Case cases[] = {
      {REG_BINARY, std::string("\x07\0\0\0", 4), true, 7},
      {REG_DWORD, std::string("\x2A\x01\0\0", 4), true, 0x12A},
      {REG_SZ, std::string("12345\0", 6), false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    SetRawValue(HKEY_CURRENT_USER, kSettingsKeyA, "NumberOfDatesFiles", c.type, c.bytes);
    DWORD number = 0;
    EXPECT_EQ(
        context.ReadRegDword(HKEY_CURRENT_USER, IDS_SETTINGS_KEY, "NumberOfDatesFiles", number),
        c.read);
    if (c.read) {
      EXPECT_EQ(number, c.number);
    }
  }
}

TEST_F(RegistryTest, OpenSettingsKeyCreatesTheWholePath) {
  ASSERT_FALSE(RegKeyExists(HKEY_CURRENT_USER, L"Software\\Morvane"));
  EXPECT_TRUE(context.OpenSettingsKey());
  EXPECT_TRUE(context.IsSettingsKeyOpen());
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kSettingsKey));
  context.CloseSettingsKey();
  EXPECT_FALSE(context.IsSettingsKeyOpen());
}

TEST_F(RegistryTest, SettingsWritesStoreExactBytes) {
  ASSERT_TRUE(context.OpenSettingsKey());
  EXPECT_TRUE(context.WriteSettingDword(IDS_USE_SHELL, 1));
  EXPECT_TRUE(context.WriteSettingDword(IDS_USE_GROUP, 0x04030201));
  EXPECT_TRUE(context.WriteSettingString("DatesFile001", "C:\\KQ\\da.txt"));
  EXPECT_TRUE(context.WriteSettingStringById(IDS_LOCATION, "C:\\KALQ\\kq.exe"));
  context.CloseSettingsKey();

  const auto value = [](const char* name) {
    return QueryRawValue(HKEY_CURRENT_USER, kSettingsKeyA, name);
  };
  EXPECT_EQ(value("UseShell"), (RawValue{REG_BINARY, std::string("\x01\0\0\0", 4)}));
  EXPECT_EQ(value("UseGroup"), (RawValue{REG_BINARY, "\x01\x02\x03\x04"}));
  EXPECT_EQ(value("DatesFile001"), (RawValue{REG_SZ, std::string("C:\\KQ\\da.txt", 13)}));
  EXPECT_EQ(value("Location"), (RawValue{REG_SZ, std::string("C:\\KALQ\\kq.exe", 15)}));
}

TEST_F(RegistryTest, SettingsWritesWithoutAnOpenKeyWriteNothing) {
  const auto writeAll = [this] {
    EXPECT_FALSE(context.WriteSettingDword(IDS_USE_SHELL, 1));
    EXPECT_FALSE(context.WriteSettingString("DatesFile001", "C:\\KQ\\dates.txt"));
    EXPECT_FALSE(context.WriteSettingStringById(IDS_LOCATION, "C:\\KQ\\kalquint.exe"));
  };
  writeAll();
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, L"Software\\Morvane"));

  ASSERT_TRUE(context.OpenSettingsKey());
  context.CloseSettingsKey();
  writeAll();
  for (const char* name : {"UseShell", "DatesFile001", "Location"}) {
    EXPECT_FALSE(QueryRawValue(HKEY_CURRENT_USER, kSettingsKeyA, name)) << name;
  }
}

TEST_F(RegistryTest, SetRegStringCreatesTheKeyWithItsParents) {
  context.SetRegString(HKEY_CLASSES_ROOT, IDS_SKIN_COMMAND_KEY, 0, "C:\\KQ\\kalquint.exe %1");
  context.SetRegString(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, IDS_DISPLAY_NAME,
                       "KALENDRO! quintara");

  EXPECT_EQ(QueryRawValue(HKEY_CLASSES_ROOT, "kqsfile\\shell\\open\\command", ""),
            (RawValue{REG_SZ, std::string("C:\\KQ\\kalquint.exe %1", 22)}));
  EXPECT_FALSE(QueryRawValue(HKEY_CLASSES_ROOT, "kqsfile\\shell", ""));
  EXPECT_EQ(QueryRawValue(HKEY_LOCAL_MACHINE,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalendro",
                          "DisplayName"),
            (RawValue{REG_SZ, std::string("KALENDRO! quintara", 19)}));
}

TEST_F(RegistryTest, ShortcutFolderIsTheShellFolderWithTheSuffix) {
  SetStringValue(HKEY_CURRENT_USER, Narrow(kShellFoldersKey), "Programs", "C:\\Menu\\Programs");
  std::string folder = "unchanged";
  EXPECT_TRUE(context.ReadShortcutFolder(HKEY_CURRENT_USER, IDS_FOLDER_PROGRAMS, "\\KALENDRO!\\", folder));
  EXPECT_EQ(folder, "C:\\Menu\\Programs\\KALENDRO!\\");
  // Missing and empty alike name no folder (an empty one would be the drive root).
  folder = "unchanged";
  EXPECT_FALSE(context.ReadShortcutFolder(HKEY_CURRENT_USER, IDS_FOLDER_DESKTOP, "\\", folder)) << "missing";
  SetStringValue(HKEY_CURRENT_USER, Narrow(kShellFoldersKey), "Desktop", "");
  EXPECT_FALSE(context.ReadShortcutFolder(HKEY_CURRENT_USER, IDS_FOLDER_DESKTOP, "\\", folder)) << "empty";
  EXPECT_EQ(folder, "unchanged");
}

constexpr const char* kOtherUninstallEntry =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other";

struct DeleteCase {
  const char* name;
  HKEY root;
  StringId key;
  int levels;
  std::vector<const char*> extraKeys;
  std::vector<const char*> kept;
  std::vector<const char*> removed;
};

class DeleteRegKeyTest : public RegistryTest, public testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteRegKeyTest, RemovesTheKeyAndItsAncestorsLevelByLevel) {
  const DeleteCase& c = GetParam();
  for (const char* key : {".KQS", "kqsfile\\DefaultIcon", "kqsfile\\shell\\open\\command"}) {
    CreateKey(HKEY_CLASSES_ROOT, key);
  }
  // "3.x" has a subkey, and two siblings so that deleting by ascending index would
  // miss one.
  for (const char* key : {"Software\\Morvane\\K!q\\3.x\\Skins", "Software\\Morvane\\K!q\\2.x",
                          "Software\\Morvane\\K!q\\1.x", "Software\\Morvane\\Other"}) {
    CreateKey(HKEY_CURRENT_USER, key);
  }
  CreateKey(HKEY_LOCAL_MACHINE, kOtherUninstallEntry);
  for (const char* key : c.extraKeys) CreateKey(c.root, key);

  context.DeleteRegKey(c.root, c.key, c.levels);

  for (const char* key : c.kept) EXPECT_TRUE(RegKeyExists(c.root, Widen(key))) << key;
  for (const char* key : c.removed) EXPECT_FALSE(RegKeyExists(c.root, Widen(key))) << key;
}

INSTANTIATE_TEST_SUITE_P(
    Walks, DeleteRegKeyTest,
    testing::Values(
        DeleteCase{"MissingKeyStopsTheWalk", HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, 3, {},
                   {kOtherUninstallEntry}, {}},
        DeleteCase{"AssociationFourLevels", HKEY_CLASSES_ROOT, IDS_SKIN_COMMAND_KEY, 4, {},
                   {".KQS"}, {"kqsfile"}},
        DeleteCase{"CommandOneLevel", HKEY_CLASSES_ROOT, IDS_SKIN_COMMAND_KEY, 1, {},
                   {"kqsfile\\shell\\open", "kqsfile\\DefaultIcon"},
                   {"kqsfile\\shell\\open\\command"}},
        DeleteCase{"SettingsTwoLevels", HKEY_CURRENT_USER, IDS_SETTINGS_KEY, 2, {},
                   {"Software\\Morvane", "Software\\Morvane\\Other"}, {"Software\\Morvane\\K!q"}},
        DeleteCase{"ZeroLevels", HKEY_CLASSES_ROOT, IDS_SKIN_COMMAND_KEY, 0, {},
                   {"kqsfile\\shell\\open\\command"}, {}},
        DeleteCase{"NegativeLevels", HKEY_CLASSES_ROOT, IDS_SKIN_COMMAND_KEY, -1, {},
                   {"kqsfile\\shell\\open\\command"}, {}},
        DeleteCase{"SubkeyWithSubkeysStays", HKEY_CLASSES_ROOT, IDS_SKIN_COMMAND_KEY, 4,
                   {"kqsfile\\shell\\edit\\command"}, {"kqsfile\\shell\\edit\\command"},
                   {"kqsfile\\shell\\open", "kqsfile\\DefaultIcon"}}),
    CaseName());

// Each key the setup owns goes to exactly the level the table gives: with
// everything below it, and nothing beside or above what is the setup's.
TEST_F(RegistryTest, EveryOwnedKeyIsDeletedToItsOwnedLevel) {
  for (const OwnedKey& owned : kOwnedKeys) {
    const std::string key = LoadText(owned.key);
    const std::string top = LoadText(owned.owned);
    SCOPED_TRACE(key);
    ASSERT_TRUE(key == top || key.rfind(top + "\\", 0) == 0) << "not below " << top;
    const std::string::size_type slash = top.rfind('\\');
    const std::string beside =
        (slash == std::string::npos ? "" : top.substr(0, slash + 1)) + "KalquintBeside";
    CreateKey(owned.root, key + "\\Below");
    CreateKey(owned.root, beside);
    EXPECT_TRUE(context.DeleteRegKey(owned.root, owned.key, OwnedLevels(owned)));
    EXPECT_FALSE(RegKeyExists(owned.root, Widen(top)));
    EXPECT_TRUE(RegKeyExists(owned.root, Widen(beside)));
  }
}

}  // namespace
