#include "setup/text.h"

#include <gtest/gtest.h>

#include "res/resource_ids.h"
#include "tests/driver/driver_common.h"

TEST(LoadText, LoadsEntriesInTheAnsiCodePage) {
  EXPECT_EQ(LoadText(IDS_FILE_EXE), "kalquint.exe");
  EXPECT_EQ(LoadText(IDS_PATH_NOT_FOUND), Narrow(L"Путь не найден!"));
  EXPECT_EQ(LoadText(IDS_RENAME_SECTION), "[rename]\r\n");
}

TEST(LoadText, AbsentIdsAreEmpty) {
  for (StringId id : {0u, 4u, 9u, 37u, 71u, 88u, 1000u}) EXPECT_EQ(LoadText(id), "") << id;
}

// The test program's own entry 2000 is cut before a letter by the first buffer
// in a code page of two bytes a letter.
TEST(LoadText, LongEntriesLoadWhole) {
  const std::string welcome = LoadText(IDS_WELCOME_TEXT);
  const std::string end = Narrow(L"чтобы начать.");
  EXPECT_GT(welcome.size(), 140u);
  EXPECT_EQ(welcome.substr(welcome.size() - end.size()), end);
  EXPECT_EQ(LoadText(2000), Narrow(std::wstring(200, L'ж')));
}

TEST(FormatText, PrintsSixteenBitPartsUnsigned) {
  EXPECT_EQ(FormatText("%d.%d.%d.%d", 65535, 2, 0, 65535), "65535.2.0.65535");
}

TEST(FolderOf, CutsAfterTheLastBackslash) {
  EXPECT_EQ(FolderOf("C:\\dist\\install.exe"), "C:\\dist\\");
  EXPECT_EQ(FolderOf("kalquint.exe"), "");
  EXPECT_EQ(WithTrailingBackslash("C:\\Apps"), "C:\\Apps\\");
  EXPECT_EQ(WithTrailingBackslash("D:\\"), "D:\\");
}
