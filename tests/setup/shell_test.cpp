// Shortcuts read back through the shell-link object, and programs started
// through the shell as the stand-in records them.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <optional>
#include <vector>

#include "setup/setup_context.h"
#include "tests/setup/engine_test_support.h"

namespace {

struct LinkContent {
  std::string target;
  std::string arguments;
};

std::optional<LinkContent> ReadLink(const std::string& path) {
  ComPtr<IShellLinkA> link;
  ComPtr<IPersistFile> file;
  WCHAR widePath[MAX_PATH];
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.ReceiveVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) ||
      MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH) == 0 ||
      FAILED(file->Load(widePath, STGM_READ))) {
    return std::nullopt;
  }
  char target[MAX_PATH] = "";
  char arguments[MAX_PATH] = "";
  link->GetPath(target, MAX_PATH, nullptr, 0);
  link->GetArguments(arguments, MAX_PATH);
  return LinkContent{target, arguments};
}

class ShortcutTest : public testing::Test {
 protected:
  void ExpectLink(const std::string& path, const std::string& arguments) {
    const std::optional<LinkContent> link = ReadLink(path);
    ASSERT_TRUE(link) << path;
    EXPECT_STRCASEEQ(link->target.c_str(), target.c_str());
    EXPECT_EQ(link->arguments, arguments);
  }

  ComApartment apartment;
  ScratchFolder folder;
  SetupContext context;
  const std::string target = StandInPath("v3105");
};

TEST_F(ShortcutTest, LinkStartsTheTargetWithTheArguments) {
  const std::pair<const char*, const char*> cases[] = {{"program.lnk", ""},
                                                       {"startup.lnk", "/daily"}};
  for (const auto& [name, arguments] : cases) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(context.CreateShortcut(folder / name, target, arguments));
    ExpectLink(folder / name, arguments);
  }
}

TEST_F(ShortcutTest, AnExistingLinkIsReplaced) {
  const std::string link = folder / "KALENDRO! quintara.lnk";
  ASSERT_TRUE(context.CreateShortcut(link, target, "/daily"));
  EXPECT_TRUE(context.CreateShortcut(link, target, ""));
  ExpectLink(link, "");
}

TEST_F(ShortcutTest, ALinkIntoAMissingFolderIsNotWritten) {
  EXPECT_FALSE(context.CreateShortcut(folder / "missing\\KALENDRO! quintara.lnk", target, ""));
  EXPECT_FALSE(PathExists(folder / "missing"));
}

class RunProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const ScratchFolder* copy : {&installed, &distribution}) {
      ASSERT_TRUE(CopyFileA(StandInPath("v3105").c_str(), (*copy / "kalquint.exe").c_str(), FALSE));
    }
  }

  ComApartment apartment;
  StartLog log;
  ScratchFolder installed;
  ScratchFolder distribution;
  ScratchFolder empty;
};

TEST_F(RunProgramTest, StartsTheFileOfTheInstalledFolderWithTheParameters) {
  struct Case {
    bool installDirSet;
    StringId parameters;
    const ScratchFolder& expectedFolder;
    const char* expectedArguments;
  };
  const Case cases[] = {
      {true, IDS_ARG_REGSERVER, installed, "/RegServer"},
      {true, 0, installed, ""},
      {false, IDS_ARG_UNREGSERVER, distribution, "/UnregServer"},
  };
  std::vector<OwnedProcess> started;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expectedArguments);
    SetupContext context;
    context.SourceDir = distribution.Path();
    if (c.installDirSet) context.InstallDir = installed.Path();

    context.RunProgram(IDS_FILE_EXE, c.parameters);
    const std::vector<StartRecord> starts = log.WaitForStarts(started.size() + 1, 20000);
    ASSERT_EQ(starts.size(), started.size() + 1);
    started.push_back(OpenProcessById(starts.back().processId));
    EXPECT_STRCASEEQ(starts.back().path.c_str(), (c.expectedFolder / "kalquint.exe").c_str());
    EXPECT_EQ(starts.back().arguments, c.expectedArguments);
  }
}

TEST_F(RunProgramTest, AFileMissingFromTheInstalledFolderStartsNothing) {
  SetupContext context;
  context.SourceDir = distribution.Path();
  context.InstallDir = empty.Path();
  context.RunProgram(IDS_FILE_EXE, IDS_ARG_REGSERVER);
  EXPECT_EQ(log.WaitForStarts(1, 3000).size(), 0u);
}

}  // namespace
