// Nothing in the setup catches an exception: when a container cannot get memory
// or is asked for an impossible length, the process ends. The C++ runtime's own
// versions of these throw, and a single throw links in its whole exception
// machinery (the unwinder, its tables and its thread support); these end the
// process directly instead. The behaviour is the same.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
  void* memory = std::malloc(size != 0 ? size : 1);
  if (memory == nullptr) std::abort();
  return memory;
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t /*size*/) noexcept { std::free(memory); }

#if defined(__GLIBCXX__)
// libstdc++'s strings, containers and allocator report impossible requests
// through these. The library defines them all in one object, so a link error
// naming one of them means the code now reaches another: define it here too.
// The reserved names are the point.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl58-cpp)
namespace std {
void __throw_length_error(const char* /*what*/) { abort(); }
void __throw_logic_error(const char* /*what*/) { abort(); }
void __throw_out_of_range_fmt(const char* /*format*/, ...) { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
}  // namespace std
// NOLINTEND(bugprone-reserved-identifier,cert-dcl58-cpp)
#endif
