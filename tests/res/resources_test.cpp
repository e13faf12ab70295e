// What install.exe holds as a whole: the kinds of resources, all in Russian.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "res/resource_ids.h"
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

// The version block of `path`: the file version, and a text of its Russian
// string table by name; empty when there is none.
class VersionInfo {
 public:
  explicit VersionInfo(const std::wstring& path) {
    DWORD ignored = 0;
    block_.resize(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    if (!block_.empty() &&
        !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block_.size()), block_.data())) {
      block_.clear();
    }
  }
  std::wstring Text(const std::wstring& name) const {
    void* value = nullptr;
    UINT length = 0;
    if (block_.empty() || !VerQueryValueW(block_.data(), (L"\\StringFileInfo\\041904b0\\" + name).c_str(),
                                          &value, &length)) {
      return L"";
    }
    return std::wstring(static_cast<const wchar_t*>(value), length > 0 ? length - 1 : 0);
  }
  ULONGLONG FileVersion() const {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (block_.empty() || !VerQueryValueW(block_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
      return 0;
    }
    return (static_cast<ULONGLONG>(fixed->dwFileVersionMS) << 32) | fixed->dwFileVersionLS;
  }

 private:
  std::vector<BYTE> block_;
};

std::wstring InstallText(UINT id) {
  wchar_t text[256] = L"";
  LoadStringW(InstallModule(), id, text, 256);
  return text;
}

// As every signed installer does: whose it is, what it installs, and the
// release, which is the version of the application it ships beside it.
TEST(Resources, VersionNamesThePublisherTheProductAndTheReleaseItShips) {
  const VersionInfo setup(InstallExePath());
  std::string shipped = TEST_SHIPPED_DIR "/distribution/kalquint.exe";
  const VersionInfo application(std::wstring(shipped.begin(), shipped.end()));
  ASSERT_NE(application.FileVersion(), 0u);
  EXPECT_EQ(setup.FileVersion(), application.FileVersion());
  EXPECT_EQ(setup.Text(L"CompanyName"), InstallText(IDS_PUBLISHER_NAME));
  EXPECT_EQ(setup.Text(L"ProductName"), InstallText(IDS_PRODUCT_NAME));
  EXPECT_EQ(setup.Text(L"FileVersion"), setup.Text(L"ProductVersion"));
  EXPECT_NE(setup.Text(L"FileDescription"), L"");
}

}  // namespace
