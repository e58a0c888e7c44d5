#include "tests/gui/statusdlg/DialogDriver.h"

#include <commctrl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <vector>

namespace {

const char kHostClass[] = "BeldraTestHost";

void Pause(DWORD ms) { Sleep(ms); }

template <typename Ready>
bool WaitFor(Ready ready, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!ready()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Pause(20);
  }
  return true;
}

// A window's DC (whole window or client area) for the lifetime of the guard.
class CWindowDc {
 public:
  CWindowDc(HWND window, bool whole) : m_window(window), m_dc(whole ? GetWindowDC(window) : GetDC(window)) {}
  ~CWindowDc() { ReleaseDC(m_window, m_dc); }
  CWindowDc(const CWindowDc&) = delete;
  CWindowDc& operator=(const CWindowDc&) = delete;
  HDC Get() const { return m_dc; }

 private:
  HWND m_window;
  HDC m_dc;
};

// A 32-bit top-down copy of what a window shows: the whole window with its
// frame, or its client area. Read through the window's own DC, which under
// Wine holds what the window painted.
class CWindowCopy {
 public:
  CWindowCopy(HWND window, bool whole) {
    RECT area;
    if (whole) {
      GetWindowRect(window, &area);
      OffsetRect(&area, -area.left, -area.top);
    } else {
      GetClientRect(window, &area);
    }
    m_width = area.right;
    m_height = area.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    CWindowDc source(window, whole);
    m_dc = CreateCompatibleDC(source.Get());
    m_bitmap = CreateDIBSection(source.Get(), &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
    m_old = SelectObject(m_dc, m_bitmap);
    BitBlt(m_dc, 0, 0, m_width, m_height, source.Get(), 0, 0, SRCCOPY);
    GdiFlush();
  }
  ~CWindowCopy() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }
  CWindowCopy(const CWindowCopy&) = delete;
  CWindowCopy& operator=(const CWindowCopy&) = delete;

  COLORREF At(int x, int y) const {
    const uint32_t bgr = m_bits[y * m_width + x];
    return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
  }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  const uint32_t* Bits() const { return m_bits; }

 private:
  int m_width = 0, m_height = 0;
  HDC m_dc;
  HBITMAP m_bitmap;
  HGDIOBJ m_old;
  uint32_t* m_bits = nullptr;
};

}  // namespace

CTestHost::CTestHost() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = &WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kHostClass;
  RegisterClassA(&windowClass);
  m_hWnd = CreateWindowExA(0, kHostClass, "Test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 500, 300, 200,
                           nullptr, nullptr, GetModuleHandleA(nullptr), this);
  Activate();
}

CTestHost::~CTestHost() {
  if (m_hWnd) DestroyWindow(m_hWnd);
}

bool CTestHost::Activate() {
  SetForegroundWindow(m_hWnd);
  SetActiveWindow(m_hWnd);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  return GetActiveWindow() == m_hWnd;
}

LRESULT CALLBACK CTestHost::WindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<CTestHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self && self->printer.Handle(msg, wp, lp)) return 0;
  return DefWindowProcA(window, msg, wp, lp);
}

HWND WaitForDialog(const char* caption, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitFor([&] {
    found = FindWindowA("#32770", caption);
    return found && IsWindowVisible(found);
  }, timeoutMs);
  if (found) Pause(300);  // let it paint
  return found && IsWindowVisible(found) ? found : nullptr;
}

bool WaitUntilClosed(HWND window, DWORD timeoutMs) {
  return WaitFor([&] { return !IsWindow(window); }, timeoutMs);
}

bool WaitForText(HWND control, const std::string& text, DWORD timeoutMs) {
  return WaitFor([&] {
    char buffer[1024];
    GetWindowTextA(control, buffer, sizeof buffer);
    return text == buffer;
  }, timeoutMs);
}

void PressButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void ClickCheck(HWND dialog, int id, bool checked) {
  SendDlgItemMessageA(dialog, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void CloseIfOpen(const char* caption) {
  for (int i = 0; i < 4; ++i) {
    HWND open = FindWindowA("#32770", caption);
    if (!open) return;
    PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
    WaitUntilClosed(open, 2000);
  }
}

void ClickArrow(HWND upDown, int direction) {
  RECT client;
  GetClientRect(upDown, &client);
  const int x = client.right / 2;
  const int y = direction > 0 ? client.bottom / 4 : client.bottom * 3 / 4;
  SendMessageA(upDown, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageA(upDown, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

std::string ItemText(HWND dialog, int id) {
  char buffer[1024] = "";
  GetWindowTextA(GetDlgItem(dialog, id), buffer, sizeof buffer);
  return buffer;
}

std::wstring ItemTextW(HWND dialog, int id) {
  wchar_t buffer[1024] = L"";
  GetWindowTextW(GetDlgItem(dialog, id), buffer, 1024);
  return buffer;
}

bool ItemEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

bool ItemChecked(HWND dialog, int id) {
  return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::wstring ComboEntries(HWND dialog, int id) {
  HWND combo = GetDlgItem(dialog, id);
  std::wstring all;
  const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = L"";
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    if (i) all += L"|";
    all += text;
  }
  return all;
}

LPARAM ComboSelectionData(HWND dialog, int id) {
  HWND combo = GetDlgItem(dialog, id);
  const LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  return selected < 0 ? -1 : SendMessageA(combo, CB_GETITEMDATA, selected, 0);
}

int CountInRow(HWND window, int y, COLORREF colour) {
  CWindowCopy copy(window, false);
  int count = 0;
  for (int x = 0; x < copy.Width(); ++x) count += copy.At(x, y) == colour;
  return count;
}

int CountInClient(HWND window, COLORREF colour) {
  CWindowCopy copy(window, false);
  int count = 0;
  for (int y = 0; y < copy.Height(); ++y)
    for (int x = 0; x < copy.Width(); ++x) count += copy.At(x, y) == colour;
  return count;
}

bool SaveScreenshot(HWND window, const char* name) {
  CWindowCopy copy(window, true);
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* slash = strrchr(path, '\\');
  if (slash) *slash = '\0';
  std::string folder = std::string(path) + "\\screenshots";
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string file = folder + "\\" + name + ".bmp";

  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = copy.Width();
  header.biHeight = -copy.Height();
  header.biPlanes = 1;
  header.biBitCount = 32;
  const DWORD dataSize = copy.Width() * copy.Height() * 4;
  BITMAPFILEHEADER fileHeader = {};
  fileHeader.bfType = 0x4D42;
  fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
  fileHeader.bfSize = fileHeader.bfOffBits + dataSize;
  FILE* out = fopen(file.c_str(), "wb");
  if (!out) return false;
  fwrite(&fileHeader, sizeof fileHeader, 1, out);
  fwrite(&header, sizeof header, 1, out);
  // Opaque pixels: viewers read the fourth byte of a 32-bit BMP as alpha.
  std::vector<uint32_t> pixels(copy.Bits(), copy.Bits() + copy.Width() * copy.Height());
  for (uint32_t& pixel : pixels) pixel |= 0xFF000000u;
  fwrite(pixels.data(), 1, dataSize, out);
  return fclose(out) == 0;
}

std::string LibraryString(HMODULE module, UINT id) {
  char buffer[512] = "";
  LoadStringA(module, id, buffer, sizeof buffer);
  return buffer;
}
