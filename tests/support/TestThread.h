// Threads, events and a lock for the test programs, on the Win32 API: the
// win32 thread model of the MinGW compilers, which builds what ships and its
// tests, has no std::thread, std::mutex or std::future.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

namespace vq::test {

// Runs `body` on a thread of its own from construction; the destructor waits
// for it to end.
class CTestThread {
 public:
  explicit CTestThread(std::function<void()> body) : body_(std::move(body)) {
    handle_ = CreateThread(nullptr, 0, &CTestThread::Start, this, 0, &id_);
  }
  ~CTestThread() {
    if (!handle_) return;
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
  }
  CTestThread(const CTestThread&) = delete;
  CTestThread& operator=(const CTestThread&) = delete;

  // True once the body has returned; waits at most `timeoutMs`.
  bool Wait(DWORD timeoutMs = INFINITE) const {
    return !handle_ || WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0;
  }
  DWORD Id() const { return id_; }

 private:
  static DWORD WINAPI Start(void* self) {
    static_cast<CTestThread*>(self)->body_();
    return 0;
  }
  std::function<void()> body_;
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

// A manual-reset event.
class CTestEvent {
 public:
  CTestEvent() : handle_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~CTestEvent() { CloseHandle(handle_); }
  CTestEvent(const CTestEvent&) = delete;
  CTestEvent& operator=(const CTestEvent&) = delete;
  void Set() { SetEvent(handle_); }
  bool Wait(DWORD timeoutMs = INFINITE) const {
    return WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0;
  }

 private:
  HANDLE handle_;
};

// A critical section, held by a CTestLock::Hold for its scope.
class CTestLock {
 public:
  CTestLock() { InitializeCriticalSection(&section_); }
  ~CTestLock() { DeleteCriticalSection(&section_); }
  CTestLock(const CTestLock&) = delete;
  CTestLock& operator=(const CTestLock&) = delete;

  class Hold {
   public:
    explicit Hold(CTestLock& lock) : lock_(lock) { EnterCriticalSection(&lock_.section_); }
    ~Hold() { LeaveCriticalSection(&lock_.section_); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    CTestLock& lock_;
  };

 private:
  CRITICAL_SECTION section_;
};

}  // namespace vq::test
