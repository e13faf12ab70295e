// In the setup program's test build only: the failure seam armed as the
// environment asks, before any of the program's own code runs.
// KALQUINT_FAULTS is "count", "fail:<k>" or "cut:<k>"; each call is appended to
// the file KALQUINT_FAULT_REPORT names, when it is set.
#include <windows.h>

#include "tests/faults/fault_seam.h"

namespace {

// The number after the plan's colon; 0 without one.
int CallNumber(const char* plan) {
  while (*plan != '\0' && *plan != ':') ++plan;
  int number = 0;
  for (++plan; *plan >= '0' && *plan <= '9'; ++plan) number = number * 10 + (*plan - '0');
  return number;
}

struct ArmedFromEnvironment {
  ArmedFromEnvironment() {
    char plan[32];
    char report[MAX_PATH];
    if (GetEnvironmentVariableA("KALQUINT_FAULTS", plan, sizeof(plan)) == 0) return;
    const DWORD reportLength = GetEnvironmentVariableA("KALQUINT_FAULT_REPORT", report, MAX_PATH);
    const FaultMode mode = plan[0] == 'f'   ? FaultMode::kFail
                           : plan[0] == 'c' ? FaultMode::kCutOff
                                            : FaultMode::kCount;
    InstallFaultSeam(GetModuleHandleA(nullptr));
    ArmFaults(mode, CallNumber(plan), reportLength > 0 && reportLength < MAX_PATH ? report : nullptr);
  }
};

const ArmedFromEnvironment armed;

}  // namespace
