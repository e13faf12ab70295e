// Version reading and the folders found from the program's own file or from the
// settings, against the stand-in programs of the build tree.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include "setup/setup_context.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/redirected_registry.h"
#include "tests/driver/test_files.h"

bool operator==(const FileVersion& a, const FileVersion& b) { return a.ms == b.ms && a.ls == b.ls; }

void PrintTo(const FileVersion& version, std::ostream* out) {
  *out << std::hex << "ms 0x" << version.ms << ", ls 0x" << version.ls << std::dec;
}

namespace {

constexpr FileVersion kV3105{0x00030001, 0x00000005};
constexpr FileVersion kV65535{0xFFFF0002, 0xFFFF0004};
constexpr FileVersion kNoVersion{0, 0};
constexpr FileVersion kScratchVersion{0x11, 0x22};

std::string StandInFolder(const std::string& variant) {
  return NarrowFolder(BuildDir() + L"\\standins\\" + Widen(variant));
}

std::string StandInPath(const std::string& variant) { return StandInFolder(variant) + "kalquint.exe"; }

// The v3105 stand-in named by a path of exactly `length` characters, padded with
// ".\" (2 characters) and "..\v3105\" (9) so that any length can be reached.
std::string PaddedStandInPath(size_t length) {
  const std::string folder = StandInFolder("v3105");
  size_t padding = length - folder.size() - std::string("kalquint.exe").size();
  std::string path = folder;
  if (padding % 2 != 0) {
    path += "..\\v3105\\";
    padding -= 9;
  }
  for (; padding > 0; padding -= 2) path += ".\\";
  return path + "kalquint.exe";
}

TEST(ReadFileVersion, ReadsTheFixedFileVersion) {
  const std::pair<const char*, FileVersion> cases[] = {
      {"v3105", kV3105}, {"v3200", {0x00030002, 0}}, {"v65535", kV65535}};
  for (const auto& [variant, version] : cases) {
    SetupContext context;
    EXPECT_TRUE(context.ReadFileVersion(StandInPath(variant))) << variant;
    EXPECT_EQ(context.ProbedVersion, version) << variant;
  }
}

TEST(ReadFileVersion, TakesTheFileVersionNotTheProductVersion) {
  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  SetupContext context;
  EXPECT_TRUE(context.ReadFileVersion(self));
  EXPECT_EQ(context.ProbedVersion, (FileVersion{0x00010002, 0x00030004}));
}

TEST(ReadFileVersion, FailureLeavesTheProbedVersion) {
  for (const std::string& path :
       {StandInPath("noversion"), StandInFolder("v3105") + "missing.exe"}) {
    SetupContext context;
    context.ProbedVersion = kScratchVersion;
    EXPECT_FALSE(context.ReadFileVersion(path)) << path;
    EXPECT_EQ(context.ProbedVersion, kScratchVersion) << path;
  }
}

TEST(ReadFileVersion, PathsOfMaxPathCharactersOrMoreFail) {
  const std::string longest = PaddedStandInPath(MAX_PATH - 1);
  const std::string tooLong = PaddedStandInPath(MAX_PATH);
  ASSERT_EQ(longest.size(), MAX_PATH - 1u);
  ASSERT_EQ(tooLong.size(), MAX_PATH + 0u);
  DWORD handle = 0;
  ASSERT_NE(GetFileVersionInfoSizeA(tooLong.c_str(), &handle), 0u) << "the system reads it";

  SetupContext context;
  EXPECT_TRUE(context.ReadFileVersion(longest));
  // Characters count, not bytes: a detour through a folder of 120 letters.
  EXPECT_TRUE(context.ReadFileVersion(StandInFolder("v3105") + Narrow(std::wstring(120, L'ж')) +
                                      "\\..\\kalquint.exe"));
  context.ProbedVersion = kScratchVersion;
  EXPECT_FALSE(context.ReadFileVersion(tooLong));
  EXPECT_EQ(context.ProbedVersion, kScratchVersion);
}

TEST(ReadProgramVersion, CopiesTheProbedVersionOrClearsOnFailure) {
  SetupContext context;
  context.SourceDir = StandInFolder("v65535");
  EXPECT_TRUE(context.ReadProgramVersion());
  EXPECT_EQ(context.ProgramVersion, kV65535);

  context.SourceDir = StandInFolder("noversion");
  EXPECT_FALSE(context.ReadProgramVersion());
  EXPECT_EQ(context.ProgramVersion, kNoVersion);
  EXPECT_EQ(context.ProbedVersion, kV65535);
}

TEST(LoadLocation, FromModuleTakesTheRunningProgramsFolder) {
  SetupContext context;
  context.ProgramVersion = kScratchVersion;
  EXPECT_FALSE(context.LoadLocation(true)) << "no kalquint.exe beside the test program";
  EXPECT_EQ(context.SourceDir, NarrowFolder(BuildDir() + L"\\tests"));
  EXPECT_EQ(context.ProgramVersion, kNoVersion);
}

class LocationTest : public RedirectedRegistryTest {
 protected:
  static void SetLocation(const std::optional<std::string>& path) {
    if (path) {
      SetStringValue(HKEY_CURRENT_USER, "Software\\Morvane\\K!q\\3.x", "Location", *path);
    } else {
      RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Morvane\\K!q\\3.x");
    }
  }
};

TEST_F(LocationTest, LoadLocationFromTheSettingsTakesTheFolderOfLocation) {
  struct Case {
    std::optional<std::string> location;
    bool loaded;
    std::string sourceDir;
    FileVersion version;
  };
  const Case cases[] = {
      {StandInPath("v3105"), true, StandInFolder("v3105"), kV3105},
      {StandInFolder("v65535") + "other.exe", true, StandInFolder("v65535"), kV65535},
      {StandInPath("noversion"), false, StandInFolder("noversion"), kNoVersion},
      {"kalquint.exe", false, "", kNoVersion},
      {std::nullopt, false, "", kNoVersion},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.location.value_or("no Location value"));
    SetLocation(c.location);
    SetupContext context;
    EXPECT_EQ(context.LoadLocation(false), c.loaded);
    EXPECT_EQ(context.SourceDir, c.sourceDir);
    EXPECT_EQ(context.ProgramVersion, c.version);
  }
}

TEST_F(LocationTest, DetectPreviousInstallNeedsTheVersionOfTheFileNamed) {
  struct Case {
    std::optional<std::string> location;
    bool found;
  };
  const Case cases[] = {
      {StandInPath("v65535"), true},
      {StandInFolder("v65535") + "missing.exe", false},
      {StandInPath("noversion"), false},
      {std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.location.value_or("no Location value"));
    SetLocation(c.location);
    SetupContext context;
    context.InstallDir = "C:\\before\\";
    context.ProgramVersion = kV3105;
    EXPECT_EQ(context.DetectPreviousInstall(), c.found);
    EXPECT_EQ(context.InstallDir, c.found ? StandInFolder("v65535") : "C:\\before\\");
    EXPECT_EQ(context.ProgramVersion, kV3105);
    if (c.found) {
      EXPECT_EQ(context.ProbedVersion, kV65535);
    }
  }
}

}  // namespace
