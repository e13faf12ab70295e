// What the compiler and the C++ library expect of a C runtime, for a program
// that links none (see entry.cpp): memory from the process heap and the few
// byte-string functions the compiler and std::string call.
//
// Nothing in the setup catches an exception: when a container cannot get memory
// or is asked for an impossible length, the process ends with the exit code of a
// failed run and no message box (a box needs memory too, and an unattended run
// must show none).
#include <windows.h>

#include <cstddef>
#include <new>

#include "app/unattended.h"

namespace {

[[noreturn]] void EndWithoutMemory() { ExitProcess(kExitFailed); }

}  // namespace

void* operator new(std::size_t size) {
  void* memory = HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1);
  if (memory == nullptr) EndWithoutMemory();
  return memory;
}

void operator delete(void* memory) noexcept {
  if (memory != nullptr) HeapFree(GetProcessHeap(), 0, memory);
}
void operator delete(void* memory, std::size_t /*size*/) noexcept { operator delete(memory); }

// Plain loops: the compiler must not turn them back into calls of themselves.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl58-cpp,readability-identifier-naming)
#define KQ_PLAIN_LOOPS __attribute__((optimize("no-tree-loop-distribute-patterns"), used))
extern "C" {

KQ_PLAIN_LOOPS void* memcpy(void* to, const void* from, std::size_t size) {
  auto* target = static_cast<unsigned char*>(to);
  const auto* source = static_cast<const unsigned char*>(from);
  while (size-- > 0) *target++ = *source++;
  return to;
}

KQ_PLAIN_LOOPS void* memmove(void* to, const void* from, std::size_t size) {
  auto* target = static_cast<unsigned char*>(to);
  const auto* source = static_cast<const unsigned char*>(from);
  if (target < source) {
    while (size-- > 0) *target++ = *source++;
  } else {
    while (size-- > 0) target[size] = source[size];
  }
  return to;
}

KQ_PLAIN_LOOPS void* memset(void* to, int value, std::size_t size) {
  auto* target = static_cast<unsigned char*>(to);
  while (size-- > 0) *target++ = static_cast<unsigned char>(value);
  return to;
}

KQ_PLAIN_LOOPS int memcmp(const void* left, const void* right, std::size_t size) {
  const auto* a = static_cast<const unsigned char*>(left);
  const auto* b = static_cast<const unsigned char*>(right);
  for (; size > 0; --size, ++a, ++b) {
    if (*a != *b) return *a < *b ? -1 : 1;
  }
  return 0;
}

KQ_PLAIN_LOOPS void* memchr(const void* memory, int value, std::size_t size) {
  const auto* byte = static_cast<const unsigned char*>(memory);
  for (; size > 0; --size, ++byte) {
    if (*byte == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(byte);
  }
  return nullptr;
}

KQ_PLAIN_LOOPS std::size_t strlen(const char* text) {
  std::size_t length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

}  // extern "C"

#if defined(__GLIBCXX__)
// libstdc++'s strings, containers and allocator report impossible requests
// through these. The library defines them all in one object, so a link error
// naming one of them means the code now reaches another: define it here too.
namespace std {
void __throw_length_error(const char* /*what*/) { EndWithoutMemory(); }
void __throw_logic_error(const char* /*what*/) { EndWithoutMemory(); }
void __throw_out_of_range_fmt(const char* /*format*/, ...) { EndWithoutMemory(); }
void __throw_bad_alloc() { EndWithoutMemory(); }
void __throw_bad_array_new_length() { EndWithoutMemory(); }
}  // namespace std
#endif
// NOLINTEND(bugprone-reserved-identifier,cert-dcl58-cpp,readability-identifier-naming)
