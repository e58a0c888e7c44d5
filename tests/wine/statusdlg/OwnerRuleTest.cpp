// The owner of a dialog created without a parent: the active window, climbed
// to a top-level window, then its last active pop-up.
#include <windows.h>

#include "tests/support/TestThread.h"

#include <gtest/gtest.h>

#include "statusdlg/ModalDialog.h"

namespace {

// A window destroyed with the object.
class CWindow {
 public:
  CWindow(const char* windowClass, DWORD style, HWND parent)
      : m_hWnd(CreateWindowExA(0, windowClass, "", style, 0, 0, 100, 50, parent, nullptr, nullptr, nullptr)) {}
  ~CWindow() { DestroyWindow(m_hWnd); }
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;
  HWND Handle() const { return m_hWnd; }

 private:
  HWND m_hWnd;
};

TEST(OwnerRuleTest, ActiveWindowClimbsToItsLastActivePopup) {
  CWindow host("STATIC", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  ASSERT_TRUE(host.Handle());
  SetActiveWindow(host.Handle());
  EXPECT_EQ(host.Handle(), FindSafeOwner());

  CWindow popup("STATIC", WS_POPUP | WS_VISIBLE, host.Handle());  // owned by the host
  SetActiveWindow(popup.Handle());
  EXPECT_EQ(popup.Handle(), FindSafeOwner());
}

TEST(OwnerRuleTest, ThreadWithoutActiveWindowHasNoOwner) {
  HWND found = reinterpret_cast<HWND>(1);
  vq::test::CTestThread([&] { found = FindSafeOwner(); }).Wait();
  EXPECT_EQ(nullptr, found);
}

}  // namespace
