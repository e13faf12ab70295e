// The program's own entry point, in place of the C runtime's start-up code. That
// code comes prebuilt for the Pentium Pro (its CMOV instructions fault on the
// Pentium of most machines of the older family) and brings the C runtime DLL,
// which the first Windows 95 lacks. The setup needs little of it: its static
// constructors, the command line and the exit code.
#include <windows.h>

#include <cstddef>

#include "app/command_line.h"
#include "app/main.h"
#include "setup/system_paths.h"

// The linker's list of static constructors: -1, the constructors, then 0.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" void (*__CTOR_LIST__[])();

namespace {

void RunStaticConstructors() {
  std::size_t count = 0;
  while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  // Last first, as the compiler's own start-up runs them.
  for (std::size_t index = count; index > 0; --index) __CTOR_LIST__[index]();
}

}  // namespace

// The system enters here with the stack aligned to four bytes only.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WINAPI SetupEntry() {
  RestrictLibrarySearch();
  RunStaticConstructors();
  ExitProcess(static_cast<UINT>(RunSetup(ArgumentsAfterProgramName(GetCommandLineA()))));
}
