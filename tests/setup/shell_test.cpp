// Shortcuts read back through the shell-link object, and programs started
// through the shell as the stand-in records them.
#include <gtest/gtest.h>

#include <vector>

#include "setup/files.h"
#include "setup/setup_context.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/setup_run.h"
#include "tests/driver/shell_links.h"
#include "tests/driver/test_files.h"

namespace {

class ShortcutTest : public testing::Test {
 protected:
  void ExpectLink(const std::string& path, const std::string& arguments) {
    const ShellLink link = ReadShellLink(Widen(path, CP_ACP));
    EXPECT_STRCASEEQ(Utf8(link.target).c_str(), Utf8(StandinPath(L"v3105")).c_str());
    EXPECT_EQ(link.arguments, Widen(arguments, CP_ACP));
  }

  ComApartment apartment;
  TempFolder scratch;
  const std::string folder = NarrowFolder(scratch.Path());
  SetupContext context;
  const std::string target = Narrow(StandinPath(L"v3105"));
};

TEST_F(ShortcutTest, LinkStartsTheTargetWithTheArguments) {
  const std::pair<const char*, const char*> cases[] = {{"program.lnk", ""},
                                                       {"startup.lnk", "/daily"}};
  for (const auto& [name, arguments] : cases) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(context.CreateShortcut(folder + name, target, arguments));
    ExpectLink(folder + name, arguments);
  }
}

TEST_F(ShortcutTest, AnExistingLinkIsReplaced) {
  const std::string link = folder + "KALENDRO! quintara.lnk";
  ASSERT_TRUE(context.CreateShortcut(link, target, "/daily"));
  EXPECT_TRUE(context.CreateShortcut(link, target, ""));
  ExpectLink(link, "");
}

TEST_F(ShortcutTest, ALinkIntoAMissingFolderIsNotWritten) {
  EXPECT_FALSE(context.CreateShortcut(folder + "missing\\KALENDRO! quintara.lnk", target, ""));
  EXPECT_FALSE(FileExists(folder + "missing"));
}

class RunProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const TempFolder* copy : {&installed, &distribution}) {
      CopyFileOrThrow(StandinPath(L"v3105"), copy->File(L"kalquint.exe"));
    }
  }

  ComApartment apartment;
  ScopedStartLog log;
  TempFolder installed;
  TempFolder distribution;
  TempFolder empty;
};

TEST_F(RunProgramTest, StartsTheFileOfTheInstalledFolderWithTheParameters) {
  struct Case {
    bool installDirSet;
    StringId parameters;
    const TempFolder& expectedFolder;
    const char* expectedArguments;
  };
  const Case cases[] = {
      {true, IDS_ARG_REGSERVER, installed, "/RegServer"},
      {true, 0, installed, ""},
      {false, IDS_ARG_UNREGSERVER, distribution, "/UnregServer"},
  };
  std::vector<SetupRun> started;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expectedArguments);
    SetupContext context;
    context.SourceDir = NarrowFolder(distribution.Path());
    if (c.installDirSet) context.InstallDir = NarrowFolder(installed.Path());

    context.RunProgram(IDS_FILE_EXE, c.parameters);
    const std::vector<StartRecord> starts =
        log.WaitForStarts(started.size() + 1, std::chrono::seconds(20));
    ASSERT_EQ(starts.size(), started.size() + 1);
    started.emplace_back(starts.back().processId);
    EXPECT_STRCASEEQ(Utf8(starts.back().program).c_str(),
                     Utf8(c.expectedFolder.File(L"kalquint.exe")).c_str());
    EXPECT_EQ(starts.back().arguments, Widen(c.expectedArguments));
  }
}

TEST_F(RunProgramTest, AFileMissingFromTheInstalledFolderStartsNothing) {
  SetupContext context;
  context.SourceDir = NarrowFolder(distribution.Path());
  context.InstallDir = NarrowFolder(empty.Path());
  context.RunProgram(IDS_FILE_EXE, IDS_ARG_REGSERVER);
  EXPECT_EQ(log.WaitForStarts(1, std::chrono::seconds(3)).size(), 0u);
}

}  // namespace
