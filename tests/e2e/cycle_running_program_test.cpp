// The main program running when the update or the uninstall begins: the setup
// asks its window to close and replaces or deletes its files only after its
// process has ended; a program that does not close within 30 s stops the walk.
#include <map>
#include <optional>
#include <ostream>
#include <string>

#include "tests/driver/case_name.h"
#include "tests/e2e/cycle_support.h"

namespace {

const wchar_t kAfxTitle[] = L"Afx K!q";
const wchar_t kAtlTitle[] = L"ATL/WTL K!Q";

enum class Mode { kUpdate, kUninstall };

struct RunningCase {
  const char* name;
  Mode mode;
  const wchar_t* variant;       // installed and started from the installed folder
  const wchar_t* title;         // its window's title
  bool secondCopy;              // the same program started twice
  friend std::ostream& operator<<(std::ostream& out, const RunningCase& given) {
    return out << given.name;
  }
};

class ModeTest : public CycleTest {
 protected:
  Page OpenPage(Mode mode) {
    return mode == Mode::kUpdate ? OpenUpdatePage() : OpenUninstallPage();
  }
  static const wchar_t* Caption(Mode mode) {
    return mode == Mode::kUpdate ? kUpdateCaption : kUninstallCaption;
  }
};

class RunningProgramTest : public ModeTest, public ::testing::WithParamInterface<RunningCase> {};
class StubbornProgramTest : public ModeTest, public ::testing::WithParamInterface<Mode> {};

TEST_P(RunningProgramTest, IsClosedBeforeItsFilesAreReplacedOrDeleted) {
  const RunningCase& given = GetParam();
  const std::wstring program = PrepareInstallation(given.variant);
  const RunningStandin running(program, given.title, LogEnvironment());
  // A second copy would keep the program's file locked.
  std::optional<RunningStandin> second;
  if (given.secondCopy) second.emplace(program, given.title, LogEnvironment());

  const Page page = OpenPage(given.mode);
  page.Click(IDOK);
  page.WaitClosed();
  EXPECT_TRUE(running.HasEnded()) << "the page ended while the program was still running";
  if (second) {
    EXPECT_TRUE(second->HasEnded()) << "the second copy still runs";
  }
  Finish(run_->WaitForPage(Caption(given.mode)));

  if (given.mode == Mode::kUpdate) {
    EXPECT_EQ(ReadFileBytes(program), ReadFileBytes(StandinPath(L"v3200")));
  } else {
    EXPECT_FALSE(FileExists(program));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, RunningProgramTest,
    ::testing::Values(
        // This one takes 3 s to close: the page must wait for it.
        RunningCase{"UpdateClosesAfx", Mode::kUpdate, L"slowclose", kAfxTitle, false},
        RunningCase{"UpdateClosesAtl", Mode::kUpdate, L"atl", kAtlTitle, false},
        RunningCase{"UpdateClosesEveryCopy", Mode::kUpdate, L"v3105", kAfxTitle, true},
        RunningCase{"UninstallClosesAfx", Mode::kUninstall, L"slowclose", kAfxTitle, false},
        RunningCase{"UninstallClosesAtl", Mode::kUninstall, L"atl", kAtlTitle, false},
        RunningCase{"UninstallClosesEveryCopy", Mode::kUninstall, L"atl", kAtlTitle, true}),
    CaseName());

// A program that ignores the close request: after waiting 30 s without spending
// the processor, the page says so and stays, having changed nothing; once the
// user has ended the program, a second try completes. Throughout the wait the
// page answers, and a second Next, an Exit or Alt+F4 comes to nothing.
TEST_P(StubbornProgramTest, StopsThePageWithAMessageUntilTheProgramIsGone) {
  const Mode mode = GetParam();
  const std::wstring program = PrepareInstallation(L"stubborn");
  std::optional<RunningStandin> stubborn;
  stubborn.emplace(program, kAfxTitle, LogEnvironment());
  const Page page = OpenPage(mode);
  const std::map<std::wstring, std::string> filesBefore = FolderContents(InstalledFolder());
  const std::map<std::wstring, RegValue> settingsBefore = ReadAllRegValues(HKEY_CURRENT_USER, kSettingsKey);
  const ULONGLONG cpuBefore = ProcessCpuTime(run_->ProcessId());
  const auto start = std::chrono::steady_clock::now();

  page.Click(IDOK);
  page.Click(IDOK);
  page.Click(IDCANCEL);
  PostMessageW(page.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4
  for (int second = 3; second < 27; second += 3) {
    WaitUntil([&] { return MillisecondsSince(start) >= second * 1000; }, kControlTimeout);
    EXPECT_TRUE(page.Answers()) << second << " s into the wait";
    EXPECT_FALSE(IsWindowEnabled(page.Control(IDOK)) || IsWindowEnabled(page.Control(IDCANCEL)));
  }
  const MessageBoxWindow box = run_->WaitForMessageBox(std::chrono::seconds(60));
  EXPECT_GE(MillisecondsSince(start), 30000);
  const ULONGLONG cpuUsed = ProcessCpuTime(run_->ProcessId()) - cpuBefore;
  EXPECT_LT(cpuUsed, 20000000u) << "the setup spent " << cpuUsed / 10000 << " ms of processor";
  EXPECT_EQ(box.Caption(), Caption(mode));
  EXPECT_EQ(box.Message(), L"Программа KALENDRO! quintara всё ещё запущена.\n"
                           L"Закройте её и попробуйте ещё раз.");
  EXPECT_EQ(GetWindow(box.Window(), GW_OWNER), page.Window());
  box.PressOk();
  box.WaitClosed();
  EXPECT_TRUE(IsWindowVisible(page.Window())) << "the page must stay";
  EXPECT_FALSE(stubborn->HasEnded());
  EXPECT_EQ(FolderContents(InstalledFolder()), filesBefore);
  EXPECT_EQ(ReadAllRegValues(HKEY_CURRENT_USER, kSettingsKey), settingsBefore);
  EXPECT_TRUE(FileExists(UninstallerCopyPath()));
  EXPECT_FALSE(WasStarted(program, mode == Mode::kUpdate ? L"/RegServer" : L"/UnregServer"));
  EXPECT_FALSE(UninstallerIsScheduled());

  stubborn.reset();  // the user ends it
  if (mode == Mode::kUpdate) {
    Finish(RunUpdate(page, false, false));
    EXPECT_EQ(ReadFileBytes(program), ReadFileBytes(StandinPath(L"v3200")));
  } else {
    Finish(RunUninstall(page, false));
    EXPECT_FALSE(FileExists(program));
  }
}

INSTANTIATE_TEST_SUITE_P(Windows, StubbornProgramTest,
                         ::testing::Values(Mode::kUpdate, Mode::kUninstall),
                         [](const ::testing::TestParamInfo<Mode>& info) {
                           return std::string(info.param == Mode::kUpdate ? "Update" : "Uninstall");
                         });

}  // namespace
