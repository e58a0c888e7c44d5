// GoogleTest's port settings for the MinGW compilers of the win32 thread
// model (what the shipped binaries and their tests are built with). Their C++
// library has no std::mutex or std::condition_variable, which GoogleTest's
// Notification uses; the class is given here on a Win32 event instead.
// GoogleTest's own locks are Win32 critical sections on every compiler.
#pragma once

#if defined(_WIN32) && !defined(_GLIBCXX_HAS_GTHREADS)
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing
#endif
