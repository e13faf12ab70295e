#include "setup/text.h"

#include <gtest/gtest.h>

#include "res/resource_ids.h"

TEST(LoadText, LoadsEntriesInTheAnsiCodePage) {
  EXPECT_EQ(LoadText(IDS_FILE_EXE), "kalquint.exe");
  EXPECT_EQ(LoadText(IDS_PATH_NOT_FOUND), "\xCF\xF3\xF2\xFC \xED\xE5 \xED\xE0\xE9\xE4\xE5\xED!");
  EXPECT_EQ(LoadText(IDS_RENAME_SECTION), "[rename]\r\n");
}

TEST(LoadText, AbsentIdsAreEmpty) {
  for (StringId id : {0u, 4u, 9u, 37u, 71u, 88u, 1000u}) EXPECT_EQ(LoadText(id), "") << id;
}

TEST(LoadText, LongEntriesLoadWhole) {
  const std::string welcome = LoadText(IDS_WELCOME_TEXT);
  EXPECT_GT(welcome.size(), 140u);
  EXPECT_EQ(welcome.substr(welcome.size() - 13), "\xF7\xF2\xEE\xE1\xFB \xED\xE0\xF7\xE0\xF2\xFC.");
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
