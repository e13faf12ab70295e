// The failure seam of the fault tests. Once installed, the calls through which
// the setup changes the machine, or reads what a decision rests on, pass through
// here (what the walk writes, moves and deletes, the attributes and folder
// listings its choices rest on, the programs it starts): the seam counts them, makes the k-th fail with the error the system
// would give, or ends the process there (a killed run, a power cut). It patches
// the import table of the module under test, so the code under test runs
// unchanged; the product's install.exe carries none of it.
#pragma once

#include <windows.h>

// kHalfWay: the k-th call that can fail half-way (a copy, a write) does part of
// its work and then fails with "disk full"; `at` counts only those calls.
enum class FaultMode { kCount, kFail, kCutOff, kHalfWay };

// The exit code of a process the seam ended.
constexpr UINT kCutOffExitCode = 0xC07;

struct SeamCall {
  int number = 0;        // from 1, in the order of the run
  char call[24] = "";    // the system call
  char subject[320] = "";  // what it named: a path, a key or a value
};

// Patches the import table of `module` once; the calls pass through untouched
// until the seam is armed.
void InstallFaultSeam(HMODULE module);

// Counts from now on; in kFail mode call `at` fails, in kCutOff mode the
// process ends before it. With a report file, each call counted is appended to
// it as "<number> <call> <subject>" as it happens.
void ArmFaults(FaultMode mode, int at, const char* reportFile = nullptr);

// Stops counting; the number of calls counted since ArmFaults.
int DisarmFaults();

// The calls counted since ArmFaults that can fail half-way.
int HalfWayCallsCounted();

// The call the armed fault hit (number 0 when none was reached).
const SeamCall& FaultedCall();

// Whether the seam takes the imported call `name` over: every call of the
// setup program that changes the machine must be one.
bool SeamTakesOver(const char* name);

// Waits until every program the code under test started through the shell has
// ended (at most 10 s each), so that its files can be replaced or deleted.
void WaitForStartedPrograms();

// The program's own file as the code under test asks the system for it
// (GetModuleFileNameA of the program): a test program stands in for install.exe
// in a distribution folder or for the uninstaller copy. Empty: its own.
void PretendOwnFile(const char* path);
