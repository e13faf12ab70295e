// GoogleTest's Notification needs std::mutex and std::condition_variable, which
// GCC's win32 thread model lacks. The tests run on one thread, so these small
// stand-ins over a critical section are enough. Force-included into gtest.
#pragma once

#include <windows.h>

#include <mutex>

#if !defined(_GLIBCXX_HAS_GTHREADS)
namespace std {

class mutex {
 public:
  mutex() { InitializeCriticalSection(&section_); }
  ~mutex() { DeleteCriticalSection(&section_); }
  mutex(const mutex&) = delete;
  mutex& operator=(const mutex&) = delete;
  void lock() { EnterCriticalSection(&section_); }
  void unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class condition_variable {
 public:
  void notify_all() {}
  template <typename Lock, typename Predicate>
  void wait(Lock& lock, Predicate ready) {
    while (!ready()) {
      lock.unlock();
      Sleep(1);
      lock.lock();
    }
  }
};

}  // namespace std
#endif
