// Closing the running main program, with the stand-in variants as real processes.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "setup/setup_context.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/setup_run.h"
#include "tests/driver/test_files.h"

namespace {

constexpr const char* kAfxTitle = "Afx K!q";
constexpr const char* kAtlTitle = "ATL/WTL K!Q";

ULONGLONG ToNumber(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// User and kernel time of this process, in milliseconds.
ULONGLONG OwnCpuMilliseconds() {
  FILETIME creation, exit, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
  return (ToNumber(kernel) + ToNumber(user)) / 10000;
}

DWORD WINAPI CloseOnThread(void* context) {
  return static_cast<const SetupContext*>(context)->CloseRunningProgram() ? 1 : 0;
}

// CloseRunningProgram on a thread of its own, so that a wait without end fails the
// test instead of holding it; true when the call returned within `milliseconds`,
// with its result in `closed`.
bool CloseReturnsWithin(const SetupContext& context, DWORD milliseconds, bool& closed) {
  const ScopedHandle thread(
      CreateThread(nullptr, 0, CloseOnThread, const_cast<SetupContext*>(&context), 0, nullptr));
  DWORD result = 0;
  const bool returned = WaitForSingleObject(thread.Get(), milliseconds) == WAIT_OBJECT_0 &&
                        GetExitCodeThread(thread.Get(), &result);
  closed = result == 1;
  return returned;
}

// The top-level windows with this title.
size_t CountWindows(const char* title) {
  size_t count = 0;
  for (HWND window = FindWindowExA(nullptr, nullptr, nullptr, title); window != nullptr;
       window = FindWindowExA(nullptr, window, nullptr, title)) {
    ++count;
  }
  return count;
}

class CloseRunningProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(FindWindowA(nullptr, kAfxTitle), nullptr) << "a main program runs already";
    ASSERT_EQ(FindWindowA(nullptr, kAtlTitle), nullptr) << "a main program runs already";
  }

  // Started and showing its window: one more window of that title than before.
  static SetupRun StartShowing(const char* variant, const char* title) {
    const size_t before = CountWindows(title);
    SetupRun process(StandinPath(Widen(variant)), L"");
    EXPECT_TRUE(WaitUntil([&] { return CountWindows(title) >= before + 1; },
                          std::chrono::seconds(30)))
        << variant;
    return process;
  }

  ScopedStartLog log;  // keeps the stand-ins' start records out of TEMP
  SetupContext context;
};

TEST_F(CloseRunningProgramTest, WithoutTheWindowReturnsAtOnce) {
  const DWORD start = GetTickCount();
  EXPECT_TRUE(context.CloseRunningProgram());
  EXPECT_LT(GetTickCount() - start, 1000u);
}

TEST_F(CloseRunningProgramTest, ClosesTheWindowAndWaitsUntilItsProcessHasEnded) {
  const std::pair<const char*, const char*> cases[] = {
      {"v3105", kAfxTitle}, {"atl", kAtlTitle}, {"slowclose", kAfxTitle}};
  for (const auto& [variant, title] : cases) {
    SCOPED_TRACE(variant);
    const SetupRun program = StartShowing(variant, title);
    EXPECT_TRUE(context.CloseRunningProgram());
    EXPECT_FALSE(program.IsRunning());
  }
}

// A second copy would keep the files locked: every window of either title is
// closed, and every process waited for.
TEST_F(CloseRunningProgramTest, EveryCopyOfEitherTitleIsClosed) {
  const std::vector<std::pair<const char*, const char*>> copies[] = {
      {{"v3105", kAfxTitle}, {"atl", kAtlTitle}},
      {{"v3105", kAfxTitle}, {"slowclose", kAfxTitle}},
      {{"atl", kAtlTitle}, {"atl", kAtlTitle}, {"v3105", kAfxTitle}}};
  for (const auto& running : copies) {
    SCOPED_TRACE(running.size());
    std::vector<SetupRun> programs;
    for (const auto& [variant, title] : running) programs.push_back(StartShowing(variant, title));
    EXPECT_TRUE(context.CloseRunningProgram());
    for (const SetupRun& program : programs) EXPECT_FALSE(program.IsRunning());
  }
}

TEST_F(CloseRunningProgramTest, AProgramIgnoringTheRequestIsReportedAfterAboutThirtySeconds) {
  const SetupRun stubborn = StartShowing("stubborn", kAfxTitle);
  const ULONGLONG cpuBefore = OwnCpuMilliseconds();
  const DWORD start = GetTickCount();
  bool closed = true;
  ASSERT_TRUE(CloseReturnsWithin(context, 60000, closed));
  EXPECT_FALSE(closed);
  EXPECT_GE(GetTickCount() - start, 25000u);
  EXPECT_LT(OwnCpuMilliseconds() - cpuBefore, 2000u) << "the wait must not spin";
  EXPECT_TRUE(stubborn.IsRunning());
}

}  // namespace
