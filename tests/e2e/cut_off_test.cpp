// Every unattended walk is ended in turn at each call through which it changes
// the machine, as a killed run or a power cut would end it: the setup
// program's test build (tests/faults) ends itself there. Nothing of the user's
// may be lost, and the same walk started again must reach the state the walk
// reaches uncut, compared whole.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/driver/case_name.h"
#include "tests/e2e/cycle_support.h"
#include "tests/faults/machine_state.h"
#include "tests/faults/walk_checks.h"

namespace {

constexpr DWORD kCutOffExitCode = 0xC07;  // as tests/faults/fault_seam.h ends a run

// The test programs run in UTF-8, as the setup does where Windows honours it.
std::string Narrow(const std::wstring& text) { return Utf8(text); }

struct CutCase {
  const char* name;
  bool installedBefore;     // the walk starts from an installation with the user's data
  const wchar_t* variant;   // the distribution's stand-in
  const wchar_t* arguments; // unattended; the uninstall runs as the uninstaller copy
  std::vector<Kept> kept;
  friend std::ostream& operator<<(std::ostream& out, const CutCase& walk) { return out << walk.name; }
};

class CutOffTest : public CycleTest, public ::testing::WithParamInterface<CutCase> {
 protected:
  // A distribution whose install.exe is the test build, with the stand-in
  // `variant`; made on first use.
  const std::wstring& FaultDistribution(const std::wstring& variant) {
    std::wstring& installExe = distributions_[variant];
    if (installExe.empty()) {
      installExe = Distribution(variant);
      CopyFileOrThrow(JoinPath(BuildDir(), L"tests\\install_faults.exe"), installExe);
    }
    return installExe;
  }

  // Nothing of the setup's on the machine, the pending renames as the test found them.
  void Reset() {
    EndStandinPrograms();
    RemoveSetupShortcuts();
    ClearSetupState();
    std::error_code ignored;
    std::filesystem::remove_all(target_, ignored);
    std::filesystem::remove(report_, ignored);
  }

  // One run of the walk's program, ended at call `plan` ("cut:<k>") or not ("count").
  DWORD RunWalk(const std::wstring& plan) {
    const CutCase& walk = GetParam();
    const bool uninstall = std::wstring(walk.arguments) == L"/quiet";
    const std::wstring program = uninstall ? UninstallerCopyPath() : FaultDistribution(walk.variant);
    // Install mode names the test's folder (an update goes to the installation).
    const std::wstring arguments =
        uninstall ? std::wstring(walk.arguments)
                  : std::wstring(walk.arguments) + L" \"/dir=" + target_ + L"\"";
    std::vector<EnvironmentVariable> environment = LogEnvironment();
    if (!plan.empty()) {
      environment.push_back({L"KALQUINT_FAULTS", plan});
      environment.push_back({L"KALQUINT_FAULT_REPORT", report_});
    }
    const DWORD code = SetupRun(program, arguments, L"", environment).WaitForExit();
    EndStandinPrograms();
    return code;
  }

  // The walk's starting point: an installation with every option, and the
  // user's data in it.
  void Prepare() {
    Reset();
    if (!GetParam().installedBefore) return;
    const std::wstring arguments =
        L"/setup /quiet \"/dir=" + target_ + L"\" /options=desktop,associate,startup,group";
    ASSERT_EQ(SetupRun(FaultDistribution(L"v3105"), arguments, L"", LogEnvironment()).WaitForExit(),
              0u);
    EndStandinPrograms();
    WriteUserData(Narrow(target_) + "\\");
  }

  MachineState State() const {
    MachineState state;
    AddFolderState(Narrow(target_) + "\\", "folder\\", state);
    AddFolderState(Narrow(ProgramGroupFolder()) + "\\", "group\\", state);
    for (const std::wstring& link : {StartupLink(), DesktopLink()}) {
      AddFileState(Narrow(link), Narrow(link), state);
    }
    AddRegistryState(HKEY_CURRENT_USER, "Software\\Morvane", "HKCU\\Morvane", state);
    AddRegistryState(HKEY_LOCAL_MACHINE, Narrow(kUninstallKey), "HKLM\\entry", state);
    AddRegistryState(HKEY_CLASSES_ROOT, ".KQS", "HKCR\\.KQS", state);
    AddRegistryState(HKEY_CLASSES_ROOT, "kqsfile", "HKCR\\kqsfile", state);
    AddValueState(HKEY_LOCAL_MACHINE, Narrow(kSessionManagerKey), Narrow(kPendingRenamesValue),
                  "pending renames", state);
    AddFileAndLeftoversState(Narrow(UninstallerCopyPath()), "kquninst.exe", state);
    return state;
  }

  const std::wstring target_ = JoinPath(folder_.MakeFolder(L"Мои программы"), L"KALENDRO");
  const std::wstring report_ = folder_.File(L"calls.txt");
  std::map<std::wstring, std::wstring> distributions_;
};

TEST_P(CutOffTest, EveryCutLosesNothingAndTheNextRunCompletes) {
  const CutCase& walk = GetParam();
  MachineState end;
  int calls = 0;
  {
    const RegValueGuard pending(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
    Prepare();
    ASSERT_EQ(RunWalk(L"count"), 0u) << "the walk without a cut failed";
    calls = ReportedCallCount(report_);
    end = State();
  }
  ASSERT_GT(calls, kFewestCallsOfAWalk) << "the seam's report lists almost nothing of the walk";
  ASSERT_TRUE(LostUserData(Narrow(target_) + "\\", walk.kept).empty());

  Finding lost, dishonest, diverged;
  int unreported = 0;  // cut runs whose report does not end at their cut
  for (int k = 1; k <= calls; ++k) {
    const RegValueGuard pending(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
    Prepare();
    const DWORD code = RunWalk(L"cut:" + std::to_wstring(k));
    if (ReportedCallCount(report_) != k) ++unreported;
    const std::string call = LastReportedCall(report_);
    const std::string missing = LostUserData(Narrow(target_) + "\\", walk.kept);
    if (!missing.empty()) lost.Add(k, call, "lost" + missing);
    if (code != kCutOffExitCode) dishonest.Add(k, call, "ended with " + std::to_string(code));
    const DWORD next = RunWalk(L"");
    const std::string missingAfter = LostUserData(Narrow(target_) + "\\", walk.kept);
    if (missing.empty() && !missingAfter.empty()) lost.Add(k, call, "the next run lost" + missingAfter);
    const std::string differences = Differences(end, State());
    if (next != 0 || !differences.empty()) {
      diverged.Add(k, call, "the next run ended with " + std::to_string(next) + differences);
    }
  }
  Reset();
  PrintReport(walk.name, "cut-off mode", calls, calls, lost, dishonest, diverged);
  EXPECT_EQ(unreported, 0) << "cut runs whose report did not list every call up to the cut";
  EXPECT_EQ(lost.count, 0) << lost.first;
  EXPECT_EQ(dishonest.count, 0) << dishonest.first;
  EXPECT_EQ(diverged.count, 0) << diverged.first;
}

INSTANTIATE_TEST_SUITE_P(
    Walks, CutOffTest,
    ::testing::Values(
        CutCase{"Install", false, L"v3105",
                L"/setup /quiet /options=desktop,associate,startup,group", {}},
        CutCase{"UpdateKeepingNothing", true, L"v3200", L"/setup /quiet", kAllDataKept},
        CutCase{"UpdateBackingUp", true, L"v3200", L"/setup /quiet /backup=dates,runs",
                kDataBackedUp},
        CutCase{"Uninstall", true, L"v3105", L"/quiet", kAllDataKept}),
    CaseName());

}  // namespace
