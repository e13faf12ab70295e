// What install.exe holds as a whole: the kinds of resources, all in Russian.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "tests/driver/file_contents.h"
#include "tests/res/install_resources.h"

namespace {

TEST(Resources, AreAllRussian) {
  const std::vector<ResourceEntry> entries = ListResources();
  EXPECT_FALSE(entries.empty());
  for (const ResourceEntry& entry : entries)
    EXPECT_EQ(entry.language, kRussianLanguage)
        << "resource type " << testing::PrintToString(entry.type) << " name "
        << testing::PrintToString(entry.name);
}

TEST(Resources, AreOfTheExpectedKindsOnly) {
  const std::set<std::wstring> expected = {ResourceLabel(RT_STRING), ResourceLabel(RT_DIALOG),
                                           ResourceLabel(RT_BITMAP), ResourceLabel(RT_GROUP_ICON),
                                           ResourceLabel(RT_ICON),   ResourceLabel(RT_MANIFEST),
                                           ResourceLabel(RT_VERSION)};
  std::set<std::wstring> types;
  for (const ResourceEntry& entry : ListResources()) types.insert(entry.type);
  EXPECT_EQ(types, expected);
}

std::wstring InstallText(UINT id) {
  wchar_t text[256] = L"";
  LoadStringW(InstallModule(), id, text, 256);
  return text;
}

// As every signed installer does: whose it is, what it installs, and the
// release, which is the version of the application it ships beside it.
TEST(Resources, VersionNamesThePublisherTheProductAndTheReleaseItShips) {
  const VersionBlock setup(ShippedInstallExePath());
  std::string shipped = TEST_SHIPPED_DIR "/distribution/kalquint.exe";
  const VersionBlock application(std::wstring(shipped.begin(), shipped.end()));
  ASSERT_NE(application.FileVersion(), 0u);
  EXPECT_EQ(setup.FileVersion(), application.FileVersion());
  EXPECT_EQ(setup.Text(L"CompanyName"), InstallText(IDS_PUBLISHER_NAME));
  EXPECT_EQ(setup.Text(L"ProductName"), InstallText(IDS_PRODUCT_NAME));
  EXPECT_EQ(setup.Text(L"FileVersion"), setup.Text(L"ProductVersion"));
  EXPECT_NE(setup.Text(L"FileDescription"), L"");
}

}  // namespace
