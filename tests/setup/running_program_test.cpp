// Closing the running main program, with the stand-in variants as real processes.
#include <gtest/gtest.h>

#include "setup/setup_context.h"
#include "tests/setup/engine_test_support.h"

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

class CloseRunningProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(FindWindowA(nullptr, kAfxTitle), nullptr) << "a main program runs already";
    ASSERT_EQ(FindWindowA(nullptr, kAtlTitle), nullptr) << "a main program runs already";
  }

  static OwnedProcess StartShowing(const char* variant, const char* title) {
    OwnedProcess process = StartProcess(StandInPath(variant));
    EXPECT_NE(WaitForWindow(title, 30000), nullptr) << variant;
    return process;
  }

  StartLog log;  // keeps the stand-ins' start records out of TEMP
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
    const OwnedProcess program = StartShowing(variant, title);
    EXPECT_TRUE(context.CloseRunningProgram());
    EXPECT_TRUE(program.HasEnded());
  }
}

TEST_F(CloseRunningProgramTest, WithBothTitlesOnlyTheAfxWindowIsClosed) {
  const OwnedProcess afx = StartShowing("v3105", kAfxTitle);
  const OwnedProcess atl = StartShowing("atl", kAtlTitle);
  EXPECT_TRUE(context.CloseRunningProgram());
  EXPECT_TRUE(afx.HasEnded());
  EXPECT_FALSE(atl.HasEnded());
  EXPECT_NE(FindWindowA(nullptr, kAtlTitle), nullptr);
}

TEST_F(CloseRunningProgramTest, AProgramIgnoringTheRequestIsReportedAfterAboutThirtySeconds) {
  const OwnedProcess stubborn = StartShowing("stubborn", kAfxTitle);
  const ULONGLONG cpuBefore = OwnCpuMilliseconds();
  const DWORD start = GetTickCount();
  bool closed = true;
  ASSERT_TRUE(CloseReturnsWithin(context, 60000, closed));
  EXPECT_FALSE(closed);
  EXPECT_GE(GetTickCount() - start, 25000u);
  EXPECT_LT(OwnCpuMilliseconds() - cpuBefore, 2000u) << "the wait must not spin";
  EXPECT_FALSE(stubborn.HasEnded());
}

}  // namespace
