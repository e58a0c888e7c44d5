// Closing the companion programs: the first window of each class gets
// WM_CLOSE with the class's lParam; the registered message reaches windows
// that listen for it.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "uninstall/app/Companions.h"

namespace {

struct Received {
  std::string windowClass;
  UINT message;
  LPARAM lParam;
};
std::vector<Received> g_received;
UINT g_closeMessage = 0;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  char name[64];
  GetClassNameA(window, name, sizeof(name));
  if (message == WM_CLOSE || (g_closeMessage && message == g_closeMessage)) {
    g_received.push_back({name, message, lParam});
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow(const char* windowClass) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = RecordingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = windowClass;
  RegisterClassA(&wc);  // a second window of a class registers it again: harmless
  return CreateWindowA(windowClass, "companion", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                       GetModuleHandleA(nullptr), nullptr);
}

void Pump() {
  MSG msg;
  for (int i = 0; i < 20; ++i) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(20);
  }
}

}  // namespace

TEST(Companions, FirstWindowOfEachClassIsClosedAndTheBroadcastArrives) {
  g_closeMessage = RegisterWindowMessageA("QUninstClose02");
  HWND status1 = MakeWindow("QLNStatusClass02");
  HWND status2 = MakeWindow("QLNStatusClass02");
  HWND popup = MakeWindow("ZPSD02");
  HWND other = MakeWindow("SomeoneElsesClass");
  ASSERT_TRUE(status1 && status2 && popup && other);

  EXPECT_EQ(vq::CloseCompanionPrograms(), 1);
  Pump();
  std::map<std::string, int> closes;
  std::map<std::string, LPARAM> lParams;
  int broadcasts = 0;
  for (const Received& r : g_received) {
    if (r.message == WM_CLOSE) {
      ++closes[r.windowClass];
      lParams[r.windowClass] = r.lParam;
    } else {
      ++broadcasts;
    }
  }
  EXPECT_EQ(closes["QLNStatusClass02"], 1);  // only the first of the class
  EXPECT_EQ(closes["ZPSD02"], 1);
  EXPECT_EQ(lParams["ZPSD02"], 1);
  EXPECT_EQ(lParams["QLNStatusClass02"], 0);
  EXPECT_EQ(closes.count("SomeoneElsesClass"), 0u);
  EXPECT_GE(broadcasts, 1);  // the windows still open heard the registered message
  // The second start-up call reaches the window the first one left.
  g_received.clear();
  vq::CloseCompanionPrograms();
  Pump();
  int statusCloses = 0;
  for (const Received& r : g_received)
    if (r.message == WM_CLOSE && r.windowClass == "QLNStatusClass02") ++statusCloses;
  EXPECT_EQ(statusCloses, 1);
  EXPECT_FALSE(IsWindow(status1) && IsWindow(status2));
  DestroyWindow(other);
}
