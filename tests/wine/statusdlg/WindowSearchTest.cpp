// The single-instance search reads window titles without waiting on the
// threads that own them: a hung thread of the host keeps neither the entry
// points nor the search from answering.
#include <windows.h>

#include <gtest/gtest.h>

#include "statusdlg/HostContract.h"
#include "statusdlg/WindowSearch.h"
#include "tests/gui/statusdlg/TestLibrary.h"
#include "tests/support/TestThread.h"

namespace {

// A top-level window whose thread stops handling messages once the window is
// created, until the object goes away.
class CHungWindow {
 public:
  explicit CHungWindow(const char* title)
      : m_thread([this, title] {
          m_window = CreateWindowExA(0, "STATIC", title, WS_OVERLAPPED | WS_CAPTION, 0, 0, 200, 80, nullptr,
                                     nullptr, nullptr, nullptr);
          m_created.Set();
          m_release.Wait();
          DestroyWindow(m_window);
        }) {
    m_created.Wait(10000);
  }
  ~CHungWindow() { m_release.Set(); }
  CHungWindow(const CHungWindow&) = delete;
  CHungWindow& operator=(const CHungWindow&) = delete;
  HWND Handle() const { return m_window; }
  void Release() { m_release.Set(); }

 private:
  HWND m_window = nullptr;
  vq::test::CTestEvent m_created;
  vq::test::CTestEvent m_release;
  vq::test::CTestThread m_thread;
};

TEST(WindowSearchTest, HungWindowWithTheCaptionIsFoundWithoutWaitingForItsThread) {
  char caption[160] = "";
  LoadStringA(Beldra().Get(), 200, caption, sizeof caption);  // "Status dos suprimentos"
  CHungWindow hung(caption);
  ASSERT_TRUE(hung.Handle());
  auto level = Beldra().Proc<TonerLevelDialogDoModalFn>("TonerLevelDialogDoModal");
  SuppliesStatusRecord record = SuppliesStatusRecord();
  record.notifyThreshold = 30;
  int result = -1;
  vq::test::CTestThread call([&] { result = level(&record, nullptr); });
  const bool answered = call.Wait(10000);
  hung.Release();  // lets a waiting call finish, so that the test can end
  EXPECT_TRUE(answered) << "the entry point waits for the hung thread";
  call.Wait();
  EXPECT_EQ(0, result);  // the open "dialog" was found: nothing shown
}

TEST(WindowSearchTest, WithoutInternalGetWindowTextAHungWindowIsSkippedAfterATimeOut) {
  // The way of Windows 9x, which lacks InternalGetWindowText.
  CHungWindow hung("Janela travada");
  ASSERT_TRUE(hung.Handle());
  HWND own = CreateWindowExA(0, "STATIC", "Janela viva", WS_OVERLAPPED, 0, 0, 50, 20, nullptr, nullptr, nullptr,
                             nullptr);
  char title[160] = "unchanged";
  const DWORD start = GetTickCount();
  EXPECT_FALSE(ReadWindowTitle(hung.Handle(), title, sizeof title, nullptr));
  EXPECT_LT(GetTickCount() - start, 3000u);
  EXPECT_TRUE(ReadWindowTitle(own, title, sizeof title, nullptr));
  EXPECT_STREQ("Janela viva", title);
  DestroyWindow(own);
}

}  // namespace
