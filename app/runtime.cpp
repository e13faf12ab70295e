// Nothing in the setup catches an exception: when a container cannot get memory
// or is asked for an impossible length, the process ends. These definitions end
// it directly instead of throwing, so the C++ runtime's exception machinery and
// its printing terminate handler (together two thirds of the executable) are not
// linked in. The behaviour is the same.
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
// libstdc++'s containers report impossible requests through these; the reserved
// names are the point, as they replace the library's own definitions.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl58-cpp)
namespace std {
void __throw_length_error(const char* /*what*/) { abort(); }
void __throw_logic_error(const char* /*what*/) { abort(); }
void __throw_out_of_range_fmt(const char* /*format*/, ...) { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
}  // namespace std
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
// NOLINTEND(bugprone-reserved-identifier,cert-dcl58-cpp)
#endif
