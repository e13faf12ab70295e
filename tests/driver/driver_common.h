// What every part of the driver shares: its failure type, its time limits,
// bounded polling and text conversion.
#pragma once

#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <string>

// A wait that ran out, a window or file that is not there. The message is
// UTF-8, so a test runner prints Russian captions as they are.
class DriverError : public std::runtime_error {
 public:
  explicit DriverError(const std::string& message) : std::runtime_error(message) {}
};

// Every wait of the driver is bounded by one of these.
constexpr std::chrono::milliseconds kPageTimeout{20000};
constexpr std::chrono::milliseconds kExitTimeout{20000};
constexpr std::chrono::milliseconds kControlTimeout{5000};

std::string Utf8(const std::wstring& text);
// `text` in `codePage`: by default this process's own, in which the engine's
// narrow calls take names.
std::string Narrow(const std::wstring& text, UINT codePage = CP_ACP);
// `text` in `codePage` (SystemCodePage() for what the stand-in writes).
std::wstring Widen(const std::string& text, UINT codePage = CP_UTF8);
// The code page of the system's narrow-string programs, the stand-in's; the
// end-to-end tests' own is UTF-8, as the setup's.
UINT SystemCodePage();

// Polls `done` until it is true; false when `timeout` ran out first.
template <typename Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Sleep(20);
  }
}
