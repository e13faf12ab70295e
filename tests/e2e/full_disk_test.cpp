// A real full drive: a small tmpfs the host mounts for this group
// (tests/tools/small_drive_test.sh) and names in KALQUINT_SMALL_DRIVE, given a
// drive letter here. With too little room the unattended install or update
// fails and leaves the drive and the registry as they were; once room is made
// the same run succeeds.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/driver/case_name.h"
#include "tests/e2e/cycle_support.h"
#include "tests/faults/machine_state.h"
#include "tests/faults/walk_checks.h"

namespace {

// The room left on the drive: less than the main program alone needs.
constexpr ULONGLONG kRoomLeft = 200 * 1024;

struct FullDiskCase {
  const char* name;
  bool installedBefore;    // from an installation with the user's data on the drive
  const wchar_t* variant;  // the distribution's stand-in
  friend std::ostream& operator<<(std::ostream& out, const FullDiskCase& walk) {
    return out << walk.name;
  }
};

// The tmpfs's folder as Wine sees it; empty where the host mounted none.
std::wstring SmallDriveFolder() {
  wchar_t folder[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"KALQUINT_SMALL_DRIVE", folder, MAX_PATH);
  return folder;
}

// A file that takes all but `room` bytes of the drive's free space; written
// out, as the drive would not count a file's unwritten length.
void FillDrive(const std::wstring& file, ULONGLONG room) {
  ULARGE_INTEGER free = {};
  ASSERT_TRUE(GetDiskFreeSpaceExW(file.substr(0, 3).c_str(), &free, nullptr, nullptr));
  ASSERT_GT(free.QuadPart, room);
  const ScopedFile filler(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(filler.IsValid());
  const std::vector<char> block(64 * 1024, 'f');
  for (ULONGLONG left = free.QuadPart - room; left > 0;) {
    const DWORD size = static_cast<DWORD>(left < block.size() ? left : block.size());
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(filler.Get(), block.data(), size, &written, nullptr));
    left -= written;
  }
}

class FullDiskTest : public CycleTest, public ::testing::WithParamInterface<FullDiskCase> {
 protected:
  FullDiskTest() {
    if (SmallDriveFolder().empty()) return;
    drive_.emplace(SmallDriveFolder());
    target_ = drive_->Root() + L"KALENDRO";
  }
  // The drive outlives the test: the next case finds it empty again.
  ~FullDiskTest() override {
    EndStandinPrograms();
    RemoveSetupShortcuts();
    ClearSetupState();
    std::error_code ignored;
    if (drive_) std::filesystem::remove_all(std::filesystem::path(target_), ignored);
  }

  // The unattended run of `variant`'s distribution (made on first use) into
  // the drive's folder.
  DWORD Run(const std::wstring& variant) {
    std::wstring& setup = distributions_[variant];
    if (setup.empty()) setup = Distribution(variant);
    const DWORD code =
        SetupRun(setup, L"/setup /quiet \"/dir=" + target_ + L"\"", L"", LogEnvironment()).WaitForExit();
    EndStandinPrograms();
    return code;
  }

  MachineState State() const {
    MachineState state;
    AddFolderState(Utf8(drive_->Root()), "drive\\", state);
    AddRegistryState(HKEY_CURRENT_USER, "Software\\Morvane", "HKCU\\Morvane", state);
    AddRegistryState(HKEY_LOCAL_MACHINE, Utf8(kUninstallKey), "HKLM\\entry", state);
    return state;
  }

  std::optional<MappedDrive> drive_;
  std::wstring target_;
  std::map<std::wstring, std::wstring> distributions_;
};

TEST_P(FullDiskTest, TooLittleRoomChangesNothingAndTheRunSucceedsOnceThereIsRoom) {
  if (!drive_) GTEST_SKIP() << "no small drive: run through tests/tools/small_drive_test.sh";
  const FullDiskCase& walk = GetParam();
  const std::vector<Kept> kept = walk.installedBefore ? kAllDataKept : std::vector<Kept>{};
  if (walk.installedBefore) {
    ASSERT_EQ(Run(L"v3105"), 0u);
    WriteUserData(Utf8(target_) + "\\");
  }
  const std::wstring filler = drive_->Root() + L"filler.bin";
  FillDrive(filler, kRoomLeft);
  const MachineState before = State();

  EXPECT_EQ(Run(walk.variant), 1u) << "with " << kRoomLeft << " bytes free";
  EXPECT_EQ(Differences(before, State()), "");
  EXPECT_EQ(LostUserData(Utf8(target_) + "\\", kept), "");

  ASSERT_TRUE(DeleteFileW(filler.c_str()));
  EXPECT_EQ(Run(walk.variant), 0u) << "once there is room";
  EXPECT_EQ(ReadFileBytes(JoinPath(target_, L"kalquint.exe")), ReadFileBytes(StandinPath(walk.variant)));
  // The folder the first attempt made, and took back, is still one the install made.
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"CreatedInstallLocation"),
            std::optional<std::wstring>(target_ + L"\\"));
  EXPECT_EQ(LostUserData(Utf8(target_) + "\\", kept), "");
}

INSTANTIATE_TEST_SUITE_P(Walks, FullDiskTest,
                         ::testing::Values(FullDiskCase{"FreshInstall", false, L"v3105"},
                                           FullDiskCase{"Update", true, L"v3200"}),
                         CaseName());

}  // namespace
