// The main program running when the update or the uninstall begins: the setup
// asks its window to close and replaces or deletes its files only after its
// process has ended; a program that does not close holds it at most 30 s.
#include <optional>
#include <ostream>
#include <string>

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
  const wchar_t* otherVariant;  // started as well from a folder of its own, or nullptr
  const wchar_t* otherTitle;
  friend std::ostream& operator<<(std::ostream& out, const RunningCase& given) {
    return out << given.name;
  }
};

class RunningProgramTest : public CycleTest, public ::testing::WithParamInterface<RunningCase> {
 protected:
  Page OpenPage(Mode mode) {
    return mode == Mode::kUpdate ? OpenUpdatePage() : OpenUninstallPage();
  }
  static const wchar_t* Caption(Mode mode) {
    return mode == Mode::kUpdate ? kUpdateCaption : kUninstallCaption;
  }
};

TEST_P(RunningProgramTest, IsClosedBeforeItsFilesAreReplacedOrDeleted) {
  const RunningCase& given = GetParam();
  const std::wstring program = PrepareInstallation(given.variant);
  const RunningStandin running(program, given.title, LogEnvironment());
  std::optional<RunningStandin> other;
  if (given.otherVariant != nullptr) {
    const std::wstring copy = JoinPath(folder_.MakeFolder(L"other"), L"kalquint.exe");
    CopyFileOrThrow(StandinPath(given.otherVariant), copy);
    other.emplace(copy, given.otherTitle, LogEnvironment());
  }

  const Page page = OpenPage(given.mode);
  page.Click(IDOK);
  page.WaitClosed();
  EXPECT_TRUE(running.HasEnded()) << "the page ended while the program was still running";
  // Only the first title found is closed.
  if (other) {
    EXPECT_TRUE(other->ShowsWindow());
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
        RunningCase{"UpdateClosesAfx", Mode::kUpdate, L"slowclose", kAfxTitle, nullptr, nullptr},
        RunningCase{"UpdateClosesAtl", Mode::kUpdate, L"atl", kAtlTitle, nullptr, nullptr},
        RunningCase{"UpdateClosesAfxBeforeAtl", Mode::kUpdate, L"v3105", kAfxTitle, L"atl",
                    kAtlTitle},
        RunningCase{"UninstallClosesAfx", Mode::kUninstall, L"slowclose", kAfxTitle, nullptr,
                    nullptr},
        RunningCase{"UninstallClosesAtl", Mode::kUninstall, L"atl", kAtlTitle, nullptr, nullptr},
        RunningCase{"UninstallClosesAfxBeforeAtl", Mode::kUninstall, L"v3105", kAfxTitle, L"atl",
                    kAtlTitle}),
    [](const ::testing::TestParamInfo<RunningCase>& info) { return std::string(info.param.name); });

// A program that ignores the close request: the uninstall waits for it 30 s
// without spending the processor, then goes on and passes over its locked file.
TEST_F(CycleTest, ProgramThatIgnoresCloseHoldsTheUninstallThirtySecondsAtMost) {
  const std::wstring program = PrepareInstallation(L"stubborn");
  const RunningStandin stubborn(program, kAfxTitle, LogEnvironment());
  const Page uninstall = OpenUninstallPage();
  const ULONGLONG cpuBefore = ProcessCpuTime(run_->ProcessId());
  const auto start = std::chrono::steady_clock::now();

  uninstall.Click(IDOK);
  uninstall.WaitClosed(std::chrono::seconds(60));
  const long long waited = MillisecondsSince(start);
  const ULONGLONG cpuUsed = ProcessCpuTime(run_->ProcessId()) - cpuBefore;

  // 30 s for the program, then the one second that /UnregServer is given.
  EXPECT_GE(waited, 30000);
  EXPECT_LT(waited, 45000);
  EXPECT_GT(cpuBefore, 0u) << "the setup's times cannot be read";
  EXPECT_LT(cpuUsed, 20000000u) << "the setup spent " << cpuUsed / 10000 << " ms of processor";
  EXPECT_FALSE(stubborn.HasEnded());
  Finish(run_->WaitForPage(kUninstallCaption));
  EXPECT_TRUE(FileExists(program));
  for (const wchar_t* name : kProgramFilesBesideExe) {
    EXPECT_FALSE(FileExists(Installed(name))) << Utf8(name);
  }
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, L"Software\\Morvane\\K!q"));
}

}  // namespace
