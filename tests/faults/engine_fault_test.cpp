// Every call through which a walk changes the machine, or reads what a decision
// rests on, fails in turn (tests/faults/fault_seam.h), in this process: the
// install, the update and the uninstall, as the unattended run and as the
// wizard's engine functions. After each failure nothing of the user's may be
// lost, success may be reported only over the fault-free end state, and the
// same walk run again must reach that state. The engine walks are also cut off
// at every call, in a child: this program again, running the one walk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/unattended.h"
#include "setup/steps.h"
#include "tests/driver/case_name.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/file_contents.h"
#include "tests/driver/redirected_registry.h"
#include "tests/driver/setup_names.h"
#include "tests/driver/setup_state.h"
#include "tests/driver/shell_links.h"
#include "tests/driver/state_guards.h"
#include "tests/driver/test_files.h"
#include "tests/faults/fault_seam.h"
#include "tests/faults/machine_state.h"
#include "tests/faults/walk_checks.h"

namespace {

std::string TempPath() {
  char temp[MAX_PATH];
  return std::string(temp, GetTempPathA(MAX_PATH, temp));
}

// The build's distribution in `folder`, made with its parents, with the
// stand-in `variant` as its kalquint.exe; the path of its install.exe.
std::string MakeDistributionIn(const std::string& folder, const wchar_t* variant) {
  std::filesystem::create_directories(folder);
  return Narrow(MakeDistribution(Widen(folder, CP_ACP), variant));
}

constexpr char kEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalendro";

// The machine of one walk, made afresh for every k at the same paths, so that
// the states of two runs compare whole.
class Machine {
 public:
  // The paths are fixed, so that a child running the walk finds the same machine.
  Machine()
      : root_(TempPath() + "kqfaults\\"),
        distributions_(TempPath() + "kqfaults-distributions\\"),
        dist3105_(MakeDistributionIn(distributions_ + "3105\\", L"v3105")),
        dist3200_(MakeDistributionIn(distributions_ + "3200\\", L"v3200")) {
    SetEnvironmentVariableA("KALQUINT_LOG", (distributions_ + "starts.log").c_str());
  }
  ~Machine() {
    registry_.reset();
    RemoveRoot();
    std::error_code error;
    std::filesystem::remove_all(distributions_, error);
    EXPECT_FALSE(error) << distributions_ << ": " << error.message();
    SetEnvironmentVariableA("KALQUINT_LOG", nullptr);
  }
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // Nothing installed: empty folders, an empty registry but for the folders
  // the system names, no uninstaller copy.
  void Reset() {
    WaitForStartedPrograms();
    registry_.reset();
    RemoveRoot();
    DeleteFileA(uninstaller_.c_str());
    for (const char* folder : {"", "programs\\", "shell\\", "shell\\programs", "shell\\startup",
                               "shell\\desktop", "common\\", "common\\programs", "common\\startup",
                               "common\\desktop", "pf\\", "cf\\"}) {
      CreateDirectoryA((root_ + folder).c_str(), nullptr);
    }
    registry_.emplace();
    const char* const user[][2] = {
        {"Programs", "shell\\programs"}, {"Startup", "shell\\startup"}, {"Desktop", "shell\\desktop"}};
    const char* const common[][2] = {{"Common Programs", "common\\programs"},
                                     {"Common Startup", "common\\startup"},
                                     {"Common Desktop", "common\\desktop"}};
    for (const auto& value : user) SetStringValue(HKEY_CURRENT_USER, Narrow(kShellFoldersKey), value[0], root_ + value[1]);
    for (const auto& value : common) {
      SetStringValue(HKEY_LOCAL_MACHINE, Narrow(kShellFoldersKey), value[0], root_ + value[1]);
    }
    const char* versionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    SetStringValue(HKEY_LOCAL_MACHINE, versionKey, "ProgramFilesDir", root_ + "pf");
    SetStringValue(HKEY_LOCAL_MACHINE, versionKey, "CommonFilesDir", root_ + "cf");
  }

  MachineState State() const {
    MachineState state;
    AddFolderState(root_, "", state);
    // The keys the setup writes; the shell makes others of its own on first use.
    AddRegistryState(HKEY_CURRENT_USER, "Software\\Morvane", "HKCU\\Software\\Morvane", state);
    AddRegistryState(HKEY_LOCAL_MACHINE, kEntryKey, "HKLM\\Uninstall\\Kalendro", state);
    AddRegistryState(HKEY_LOCAL_MACHINE, Narrow(kSessionManagerKey), "HKLM\\Session Manager", state);
    AddRegistryState(HKEY_CLASSES_ROOT, ".KQS", "HKCR\\.KQS", state);
    AddRegistryState(HKEY_CLASSES_ROOT, "kqsfile", "HKCR\\kqsfile", state);
    AddFileAndLeftoversState(uninstaller_, "kquninst.exe", state);
    return state;
  }

  // The real registry again, as the walks found it.
  void EndRedirection() { registry_.reset(); }
  // The redirected registry, to be joined by a child.
  const std::string& RegistryPath() const { return registry_->ScratchPath(); }
  // The registry as the parent process redirected it; for a child that never
  // returns, so the parent's scratch key outlives it.
  void JoinRegistry(const std::string& path) { registry_.emplace(path); }

  const std::string& Root() const { return root_; }
  std::string Made() const { return root_ + "programs\\KALENDRO\\"; }
  std::string Mine() const { return root_ + "mine\\"; }
  const std::string& Dist3105() const { return dist3105_; }
  const std::string& Dist3200() const { return dist3200_; }

 private:
  // A program the walk started may hold its file a moment longer.
  void RemoveRoot() const {
    for (int attempt = 0; attempt < 50; ++attempt) {
      std::error_code error;
      std::filesystem::remove_all(root_, error);
      if (!error) return;
      Sleep(100);
    }
    ADD_FAILURE() << "could not empty " << root_;
  }

  const std::string root_;
  const std::string distributions_;
  const std::string dist3105_;
  const std::string dist3200_;
  const FileGuard keptUninstaller_{WindowsFolderFile(L"kquninst.exe")};
  const std::string uninstaller_ = Narrow(keptUninstaller_.Path());
  std::optional<RegistryOverride> registry_;
};

// ---------------------------------------------------------------------------
// The walks.

bool Unattended(const std::string& ownFile, const std::string& arguments) {
  PretendOwnFile(ownFile.c_str());
  SetupContext context;
  const CommandLine command = ReadCommandLine(arguments);
  context.Log.Open(command.logFile);
  return RunUnattended(context, command) == kExitDone;
}

// `folder` ends with a backslash, which the switch's value leaves out.
bool InstallEveryOption(const Machine& machine, const std::string& folder) {
  return Unattended(machine.Dist3105(),
                    "/setup /quiet \"/dir=" + folder.substr(0, folder.size() - 1) +
                        "\" /options=desktop,associate,startup,group");
}

bool UpdateUnattended(const Machine& machine, bool backups) {
  return Unattended(machine.Dist3200(), backups ? "/setup /quiet /backup=dates,runs" : "/setup /quiet");
}

// As the wizard: the start in install mode, the welcome page's Next, the update page's.
bool UpdateEngine(const Machine& machine, bool backups) {
  PretendOwnFile(machine.Dist3200().c_str());
  SetupContext context;
  context.LoadLocation(true);
  if (!context.DetectPreviousInstall()) return false;
  return UpdateInstallation(context, {backups, backups}) == StepOutcome::kDone;
}

// As the uninstall wizard, started from the distribution's setup without "/setup".
bool UninstallEngine(const Machine& machine, bool deleteAll) {
  PretendOwnFile(machine.Dist3105().c_str());
  SetupContext context;
  if (!context.LoadLocation(false)) return false;
  return UninstallProgram(context, InstallFolder::OfInstallation(context), deleteAll) ==
         StepOutcome::kDone;
}

enum class Start { kNothing, kInstalled, kInstalledInUsersFolder };

void Prepare(const Machine& machine, Start start) {
  if (start == Start::kNothing) return;
  std::string folder = machine.Made();
  if (start == Start::kInstalledInUsersFolder) {
    folder = machine.Mine();
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteFileBytes(folder + "notes.doc", kUsersNotes);
  }
  ASSERT_TRUE(InstallEveryOption(machine, folder));
  WaitForStartedPrograms();
  WriteUserData(folder);
}

struct WalkCase {
  const char* name;
  Start start;
  bool (*run)(const Machine&);
  std::vector<Kept> kept;  // in the installed folder
  friend std::ostream& operator<<(std::ostream& out, const WalkCase& walk) { return out << walk.name; }
};

std::string FolderOfWalk(const Machine& machine, const WalkCase& walk) {
  return walk.start == Start::kInstalledInUsersFolder ? machine.Mine() : machine.Made();
}

// ---------------------------------------------------------------------------
// The harness: the fault-free walk, then every k.

class FaultWalkTest : public testing::TestWithParam<WalkCase> {
 protected:
  static void SetUpTestSuite() { InstallFaultSeam(GetModuleHandleA(nullptr)); }

  // The shell links need COM, as the setup's own thread has it.
  const ComApartment com_;

  bool RunArmed(FaultMode mode, int at) {
    machine_.Reset();
    Prepare(machine_, GetParam().start);
    ArmFaults(mode, at);
    const bool done = GetParam().run(machine_);
    counted_ = DisarmFaults();
    return done;
  }

  // The walk's report line; no finding of any kind, and none of the setup's
  // keys in the real registry.
  void ExpectNoFindings(const char* mode, int calls, const Finding& lost, const Finding& dishonest,
                        const Finding& diverged) {
    PrintReport(GetParam().name, mode, calls, calls, lost, dishonest, diverged);
    EXPECT_EQ(lost.count, 0) << lost.first;
    EXPECT_EQ(dishonest.count, 0) << dishonest.first;
    EXPECT_EQ(diverged.count, 0) << diverged.first;
    machine_.EndRedirection();
    EXPECT_EQ(PresentSetupKeys(), std::vector<std::wstring>());
  }

  Machine machine_;
  int counted_ = 0;
};

TEST_P(FaultWalkTest, EveryFailureLosesNothingIsReportedAndCompletesOnTheNextRun) {
  const WalkCase& walk = GetParam();
  ASSERT_TRUE(RunArmed(FaultMode::kCount, 0)) << "the fault-free walk failed";
  const int calls = counted_;
  const MachineState end = machine_.State();
  ASSERT_TRUE(LostUserData(FolderOfWalk(machine_, walk), walk.kept).empty());

  Finding lost, dishonest, diverged;
  for (int k = 1; k <= calls; ++k) {
    const bool done = RunArmed(FaultMode::kFail, k);
    const SeamCall& seamCall = FaultedCall();
    const std::string call = std::string(seamCall.call) + " " + seamCall.subject;
    const std::string missing = LostUserData(FolderOfWalk(machine_, walk), walk.kept);
    if (!missing.empty()) lost.Add(k, call, "lost" + missing);
    if (done) {
      const std::string differences = Differences(end, machine_.State());
      if (!differences.empty()) dishonest.Add(k, call, "success reported over" + differences);
    } else if (WaitForStartedPrograms(), !walk.run(machine_)) {
      diverged.Add(k, call, "the next run failed too");
    } else if (const std::string lostNext = LostUserData(FolderOfWalk(machine_, walk), walk.kept);
               missing.empty() && !lostNext.empty()) {
      lost.Add(k, call, "the next run lost" + lostNext);
    } else {
      const std::string differences = Differences(end, machine_.State());
      if (!differences.empty()) diverged.Add(k, call, "the next run ended with" + differences);
    }
  }
  ExpectNoFindings("failure mode", calls, lost, dishonest, diverged);
}

// The engine walks are also cut off here; the unattended ones are cut off
// through the setup program's test build (tests/e2e/cut_off_test.cpp).
const WalkCase kUnattendedWalks[] = {
    {"InstallUnattended", Start::kNothing,
     [](const Machine& m) { return InstallEveryOption(m, m.Made()); }, {}},
    {"UpdateKeepingNothingUnattended", Start::kInstalled,
     [](const Machine& m) { return UpdateUnattended(m, false); }, kAllDataKept},
    {"UpdateBackingUpUnattended", Start::kInstalled,
     [](const Machine& m) { return UpdateUnattended(m, true); }, kDataBackedUp},
    {"UninstallUnattended", Start::kInstalled,
     [](const Machine& m) { return Unattended(m.Dist3105(), "/quiet"); }, kAllDataKept}};

const WalkCase kEngineWalks[] = {
    {"UpdateKeepingNothingEngine", Start::kInstalled,
     [](const Machine& m) { return UpdateEngine(m, false); }, kAllDataKept},
    {"UpdateBackingUpEngine", Start::kInstalled,
     [](const Machine& m) { return UpdateEngine(m, true); }, kDataBackedUp},
    {"UninstallEngine", Start::kInstalled,
     [](const Machine& m) { return UninstallEngine(m, false); }, kAllDataKept},
    {"UninstallAllFilesOfAMadeFolder", Start::kInstalled,
     [](const Machine& m) { return UninstallEngine(m, true); }, {}},
    {"UninstallAllFilesOfTheUsersFolder", Start::kInstalledInUsersFolder,
     [](const Machine& m) { return UninstallEngine(m, true); }, {{kUsersNotes, {"notes.doc"}}}}};

INSTANTIATE_TEST_SUITE_P(Unattended, FaultWalkTest, testing::ValuesIn(kUnattendedWalks), CaseName());
INSTANTIATE_TEST_SUITE_P(Engine, FaultWalkTest, testing::ValuesIn(kEngineWalks), CaseName());

// ---------------------------------------------------------------------------
// Cut off: a child, this program again with only the walk's test selected,
// runs the walk on the machine the parent prepared, and the seam ends it at
// call k. The parent then runs the walk again, with no fault.

constexpr char kCutAtVariable[] = "KALQUINT_CUT_AT";
constexpr char kCutRegistryVariable[] = "KALQUINT_CUT_REGISTRY";

class CutOffWalkTest : public FaultWalkTest {
 protected:
  // The call the child is to be cut off at; 0 in the parent.
  static int CutRequested() {
    char at[16];
    return GetEnvironmentVariableA(kCutAtVariable, at, sizeof at) > 0 ? std::atoi(at) : 0;
  }

  // In the child: the seam ends the process at call `at`; a walk that gets past
  // it ends with its own result, which the parent counts as dishonest.
  [[noreturn]] void RunAsChild(int at) {
    char registry[MAX_PATH];
    GetEnvironmentVariableA(kCutRegistryVariable, registry, MAX_PATH);
    machine_.JoinRegistry(registry);
    ArmFaults(FaultMode::kCutOff, at, report_.c_str());
    const bool done = GetParam().run(machine_);
    ExitProcess(done ? 0 : 1);
  }

  // The prepared walk in a child cut off at call `at`; the child's exit code.
  DWORD RunCutOff(int at) {
    machine_.Reset();
    Prepare(machine_, GetParam().start);
    DeleteFileA(report_.c_str());
    SetEnvironmentVariableA(kCutAtVariable, std::to_string(at).c_str());
    SetEnvironmentVariableA(kCutRegistryVariable, machine_.RegistryPath().c_str());
    const DWORD code = RunThisTestInChild();
    SetEnvironmentVariableA(kCutAtVariable, nullptr);
    SetEnvironmentVariableA(kCutRegistryVariable, nullptr);
    // What the child started runs on; a killed setup's programs may as well end.
    EndStandinPrograms();
    return code;
  }

  const std::string report_ = TempPath() + "kqfaults-calls.txt";

 private:
  // Its output goes nowhere: the parent reports what the child did.
  static DWORD RunThisTestInChild() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string filter = std::string(test->test_suite_name()) + "." + test->name();
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_filter=" +
                               std::wstring(filter.begin(), filter.end());
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    const ScopedFile nowhere(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherited,
                                         OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nowhere.Get();
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(self, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &started)) {
      return GetLastError();
    }
    const ScopedHandle process(started.hProcess);
    const ScopedHandle thread(started.hThread);
    // A walk takes a second or two; one that hangs is ended and counted.
    if (WaitForSingleObject(process.Get(), 60000) == WAIT_TIMEOUT) {
      TerminateProcess(process.Get(), WAIT_TIMEOUT);
      WaitForSingleObject(process.Get(), 10000);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return code;
  }
};

TEST_P(CutOffWalkTest, EveryCutLosesNothingAndTheNextRunCompletes) {
  if (const int at = CutRequested()) RunAsChild(at);
  const WalkCase& walk = GetParam();
  ASSERT_TRUE(RunArmed(FaultMode::kCount, 0)) << "the fault-free walk failed";
  const int calls = counted_;
  const MachineState end = machine_.State();

  Finding lost, dishonest, diverged;
  for (int k = 1; k <= calls; ++k) {
    const DWORD code = RunCutOff(k);
    const std::string call = LastReportedCall(report_);
    const std::string missing = LostUserData(FolderOfWalk(machine_, walk), walk.kept);
    if (!missing.empty()) lost.Add(k, call, "lost" + missing);
    if (code != kCutOffExitCode) dishonest.Add(k, call, "ended with " + std::to_string(code));
    const bool done = walk.run(machine_);
    WaitForStartedPrograms();
    const std::string lostNext = LostUserData(FolderOfWalk(machine_, walk), walk.kept);
    if (missing.empty() && !lostNext.empty()) lost.Add(k, call, "the next run lost" + lostNext);
    const std::string differences = Differences(end, machine_.State());
    if (!done || !differences.empty()) {
      diverged.Add(k, call, std::string(done ? "" : "the next run failed; ") + differences);
    }
  }
  DeleteFileA(report_.c_str());
  ExpectNoFindings("cut-off mode", calls, lost, dishonest, diverged);
}

INSTANTIATE_TEST_SUITE_P(Engine, CutOffWalkTest, testing::ValuesIn(kEngineWalks), CaseName());

}  // namespace
