// Nothing in the setup catches an exception: one that escapes (exhausted memory
// in a container) ends the process. libstdc++'s default handler for that prints
// the exception's name through its demangler, which is a third of the program's
// size; a GUI program has nowhere to print it, so end the process directly.
#include <cstdlib>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
// Replaces the library's own definition, so the reserved name is the point.
void __verbose_terminate_handler() { std::abort(); }  // NOLINT(bugprone-reserved-identifier)
}  // namespace __gnu_cxx
#endif
