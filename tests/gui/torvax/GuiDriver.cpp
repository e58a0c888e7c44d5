#include "tests/gui/torvax/GuiDriver.h"

#include <commctrl.h>

#include <cstring>

namespace gui {

CProgram::~CProgram() {
  if (pi_.hProcess) {
    if (Running()) {
      TerminateProcess(pi_.hProcess, 99);
      WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
}

bool CProgram::Start(const std::string& commandLine) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  std::string cmd = commandLine;
  return CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) !=
         FALSE;
}

DWORD CProgram::WaitForExit(DWORD timeoutMs) {
  if (!pi_.hProcess) return STILL_ACTIVE;
  if (WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

bool CProgram::Running() const {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

namespace {
struct Search {
  DWORD processId;
  const char* windowClass;
  const char* caption;
  const char* textPart;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  Search* s = reinterpret_cast<Search*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (s->processId && pid != s->processId) return TRUE;
  char text[512];
  if (s->windowClass) {
    GetClassNameA(window, text, sizeof(text));
    if (std::strcmp(text, s->windowClass) != 0) return TRUE;
  }
  if (s->caption && WindowText(window) != s->caption) return TRUE;
  if (s->textPart && MessageBoxText(window).find(s->textPart) == std::string::npos) return TRUE;
  s->found = window;
  return FALSE;
}

HWND WaitForMatch(Search s, DWORD timeoutMs) {
  WaitUntil([&] {
    s.found = nullptr;
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
    return s.found != nullptr;
  }, timeoutMs);
  return s.found;
}

// Memory in another process, freed when this object goes.
class CRemoteBuffer {
 public:
  CRemoteBuffer(DWORD processId, SIZE_T size)
      : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                             processId)),
        size_(size) {
    if (process_)
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~CRemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  CRemoteBuffer(const CRemoteBuffer&) = delete;
  CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;
  bool Valid() const { return address_ != nullptr; }
  BYTE* At(SIZE_T offset) const { return static_cast<BYTE*>(address_) + offset; }
  bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
    return WriteProcessMemory(process_, At(offset), data, size, nullptr) != FALSE;
  }
  bool Read(SIZE_T offset, void* data, SIZE_T size) const {
    return ReadProcessMemory(process_, At(offset), data, size, nullptr) != FALSE;
  }

 private:
  HANDLE process_;
  SIZE_T size_;
  void* address_ = nullptr;
};

DWORD OwnerProcess(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}
}  // namespace

HWND WaitForWindow(DWORD processId, const char* windowClass, const char* caption, DWORD timeoutMs) {
  return WaitForMatch(Search{processId, windowClass, caption, nullptr, nullptr}, timeoutMs);
}

HWND WaitForMessageBox(DWORD processId, const char* caption, const char* part, DWORD timeoutMs) {
  return WaitForMatch(Search{processId, "#32770", caption, part, nullptr}, timeoutMs);
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
  return WaitUntil([&] { return !IsWindow(window); }, timeoutMs);
}

std::string WindowText(HWND window) {
  char text[1024] = "";
  // WM_GETTEXT crosses processes for window texts.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  return text;
}

std::string MessageBoxText(HWND box) {
  HWND label = GetDlgItem(box, 0xFFFF);
  return label ? WindowText(label) : std::string();
}

HWND FindDescendant(HWND parent, int id) {
  HWND direct = GetDlgItem(parent, id);
  if (direct) return direct;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    HWND found = FindDescendant(child, id);
    if (found) return found;
  }
  return nullptr;
}

void PressButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

std::vector<std::vector<std::string>> ReadListView(HWND list, int columns) {
  std::vector<std::vector<std::string>> rows;
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  const SIZE_T textSize = 512;
  CRemoteBuffer remote(OwnerProcess(list), sizeof(LVITEMA) + textSize);
  if (!remote.Valid()) return rows;
  for (int r = 0; r < count; ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < columns; ++c) {
      LVITEMA item = {};
      item.iSubItem = c;
      item.cchTextMax = static_cast<int>(textSize);
      item.pszText = reinterpret_cast<char*>(remote.At(sizeof(LVITEMA)));
      char text[textSize] = "";
      remote.Write(0, &item, sizeof(item));
      SendMessageA(list, LVM_GETITEMTEXTA, r, reinterpret_cast<LPARAM>(remote.At(0)));
      remote.Read(sizeof(LVITEMA), text, textSize - 1);
      row.push_back(text);
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<int> SelectedRows(HWND list) {
  std::vector<int> rows;
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int r = 0; r < count; ++r)
    if (SendMessageA(list, LVM_GETITEMSTATE, r, LVIS_SELECTED) & LVIS_SELECTED) rows.push_back(r);
  return rows;
}

bool SelectRows(HWND list, const std::vector<int>& rows) {
  CRemoteBuffer remote(OwnerProcess(list), sizeof(LVITEMA));
  if (!remote.Valid()) return false;
  for (int r : rows) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    remote.Write(0, &item, sizeof(item));
    SendMessageA(list, LVM_SETITEMSTATE, r, reinterpret_cast<LPARAM>(remote.At(0)));
  }
  return true;
}

void ChooseSystemMenuEntry(HWND window, char key) {
  // The menu's own loop reads the letter from the window's queue once the
  // menu is open (before, it would look for it in the caption's menu).
  PostMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, ' ');
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (WaitForWindow(process, "#32768", nullptr, 5000))
    PostMessageA(window, WM_CHAR, static_cast<unsigned char>(key), 0);
  Settle(window);
  // Ends a menu still open; nothing otherwise (never Esc, which would reach
  // the dialog once the menu is gone).
  PostMessageA(window, WM_CANCELMODE, 0, 0);
}

void Settle(HWND window) {
  DWORD_PTR ignored;
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(400);
}

bool SaveScreenshot(const std::string& path) {
  const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, GetSystemMetrics(SM_XVIRTUALSCREEN),
           GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY);
    SelectObject(memory, old);
    GdiFlush();
    const DWORD stride = ((w * 3 + 3) & ~3), imageSize = stride * h;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = file.bfOffBits + imageSize;
    HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
      DWORD n;
      ok = WriteFile(out, &file, sizeof(file), &n, nullptr) &&
           WriteFile(out, &info.bmiHeader, sizeof(info.bmiHeader), &n, nullptr) &&
           WriteFile(out, bits, imageSize, &n, nullptr);
      CloseHandle(out);
    }
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

namespace {
const char kPretendKey[] = "Software\\Wine\\AppDefaults\\TORVAX02.exe";
}  // namespace

CPretendVersion::CPretendVersion(const char* version) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kPretendKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>(std::strlen(version) + 1));
    RegCloseKey(key);
  }
}

CPretendVersion::~CPretendVersion() { RegDeleteKeyA(HKEY_CURRENT_USER, kPretendKey); }

}  // namespace gui
