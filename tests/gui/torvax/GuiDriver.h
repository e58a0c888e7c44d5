// Driving a GUI program of another process from a test: start it, find its
// windows by class, caption and control id, read list-view rows across the
// process boundary, press buttons, answer message boxes, take screenshots.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace gui {

// A started program; ends it (if still running) when destroyed.
class CProgram {
 public:
  CProgram() = default;
  ~CProgram();
  CProgram(const CProgram&) = delete;
  CProgram& operator=(const CProgram&) = delete;

  bool Start(const std::string& commandLine);
  // Waits for the end; returns the exit code, or STILL_ACTIVE on timeout.
  DWORD WaitForExit(DWORD timeoutMs);
  bool Running() const;
  DWORD Id() const { return pi_.dwProcessId; }
  HANDLE Handle() const { return pi_.hProcess; }

 private:
  PROCESS_INFORMATION pi_ = {};
};

// First visible top-level window of `processId` (0: any process) with this
// class (null: any) and caption (null: any); null after the timeout.
HWND WaitForWindow(DWORD processId, const char* windowClass, const char* caption,
                   DWORD timeoutMs = 30000);
// A message box of the process with this caption, whose text contains `part`.
HWND WaitForMessageBox(DWORD processId, const char* caption, const char* part,
                       DWORD timeoutMs = 30000);
bool WaitUntilGone(HWND window, DWORD timeoutMs = 30000);
// Waits until `predicate()` holds; false after the timeout.
template <typename Predicate>
bool WaitUntil(Predicate predicate, DWORD timeoutMs = 30000) {
  const DWORD start = GetTickCount();
  while (!predicate()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

std::string WindowText(HWND window);
// The static text of a message box (its label, id 0xFFFF).
std::string MessageBoxText(HWND box);
// Finds the child with this id anywhere below `parent`.
HWND FindDescendant(HWND parent, int id);
// Posts a button click to a dialog (as pressing the button would).
void PressButton(HWND dialog, int id);

// Every row of a list view of another process: each row's cells, column 0 first.
std::vector<std::vector<std::string>> ReadListView(HWND list, int columns);
std::vector<int> SelectedRows(HWND list);
// Selects rows of a list view in another process (item state through shared memory).
bool SelectRows(HWND list, const std::vector<int>& rows);

// Opens the system menu of `window` and types `key`, as Alt+Space and a
// letter do: the entry whose mnemonic it is runs. The menu of another
// process cannot be read under Wine, so a test sees an entry by what it
// does. Where no entry has that mnemonic, the menu is closed again.
void ChooseSystemMenuEntry(HWND window, char key);

// Lets the window's process finish painting: a round trip through its
// message queue, then a short pause for the paint messages behind it.
void Settle(HWND window);

// Saves the screen (the whole desktop) as a 24-bit BMP at `path`.
bool SaveScreenshot(const std::string& path);

// While it lives, Wine reports this Windows version ("win98", "nt40", ...)
// to programs started under the name TORVAX02.exe.
class CPretendVersion {
 public:
  explicit CPretendVersion(const char* version);
  ~CPretendVersion();
  CPretendVersion(const CPretendVersion&) = delete;
  CPretendVersion& operator=(const CPretendVersion&) = delete;
};

}  // namespace gui
