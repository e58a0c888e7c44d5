// Test support for the dialogs of BELDRA02: a host window whose simulated
// printer answers the library's messages, a second thread that drives a
// modal dialog through window messages while the test thread is inside it,
// and screenshots.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include "tests/support/TestThread.h"

#include "tools/statushost/SimulatedPrinter.h"

// A visible, active top-level window that answers SDM_ messages.
class CTestHost {
 public:
  CTestHost();
  ~CTestHost();
  CTestHost(const CTestHost&) = delete;
  CTestHost& operator=(const CTestHost&) = delete;

  HWND Handle() const { return m_hWnd; }
  // Makes the host the calling thread's active window again.
  bool Activate();
  CSimulatedPrinter printer;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
  HWND m_hWnd = nullptr;
};

// Runs drive on a second thread while call runs a modal dialog on this one,
// and returns call's result once both have finished.
template <typename Call>
auto WithDriver(Call call, const std::function<void()>& drive) -> decltype(call()) {
  vq::test::CTestThread driver(drive);
  auto result = call();
  driver.Wait();
  return result;
}

// Waits for a visible top-level dialog with this caption; null after timeoutMs.
HWND WaitForDialog(const char* caption, DWORD timeoutMs = 10000);
// Waits until the window is gone; false after timeoutMs.
bool WaitUntilClosed(HWND window, DWORD timeoutMs = 10000);
// Waits until a control's text equals text; false after timeoutMs.
bool WaitForText(HWND control, const std::string& text, DWORD timeoutMs = 10000);

// Presses a push button (the dialog gets BN_CLICKED later, from its queue).
void PressButton(HWND dialog, int id);
// Sets a check box or radio button and notifies the dialog as a click would.
void ClickCheck(HWND dialog, int id, bool checked);
// Ends a dialog still open, so that a failed test cannot hang in it.
void CloseIfOpen(const char* caption);
// Clicks the up (delta +1) or down (-1) arrow of an up-down control.
void ClickArrow(HWND upDown, int direction);

std::string ItemText(HWND dialog, int id);
std::wstring ItemTextW(HWND dialog, int id);
bool ItemEnabled(HWND dialog, int id);
bool ItemChecked(HWND dialog, int id);

// Texts of a combo box's entries and the item data of its selection (-1: none).
std::wstring ComboEntries(HWND dialog, int id);
LPARAM ComboSelectionData(HWND dialog, int id);

// Number of pixels of exactly this colour in a row of the client area, or in
// all of it, as the window painted them.
int CountInRow(HWND window, int y, COLORREF colour);
int CountInClient(HWND window, COLORREF colour);

// Saves the window as it painted itself, frame included, to screenshots/<name>.bmp beside the
// test program.
bool SaveScreenshot(HWND window, const char* name);

// Text of a string of the library, as bytes in the system code page.
std::string LibraryString(HMODULE module, UINT id);
