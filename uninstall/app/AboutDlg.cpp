#include "uninstall/app/AboutDlg.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "uninstall/app/Ui.h"
#include "uninstall/res/resource.h"
#include "uninstall/system/SystemFunctions.h"

namespace vq {

namespace {

const int kColumnWidth = 200;

// The fixed part of a version resource: it follows the header (three WORDs),
// the key "VS_VERSION_INFO" and the padding to the next 32-bit boundary.
bool FindFixedFileInfo(const BYTE* data, DWORD size, VS_FIXEDFILEINFO& out) {
  const DWORD headerSize = 3 * sizeof(WORD);
  if (size < headerSize) return false;
  WORD valueLength;
  std::memcpy(&valueLength, data + sizeof(WORD), sizeof(valueLength));
  DWORD offset = headerSize;
  for (;;) {  // skip the key and its terminating zero
    if (offset + sizeof(WCHAR) > size) return false;
    WCHAR c;
    std::memcpy(&c, data + offset, sizeof(c));
    offset += sizeof(WCHAR);
    if (c == 0) break;
  }
  offset = (offset + 3) & ~3u;
  if (valueLength < sizeof(VS_FIXEDFILEINFO) || offset + sizeof(VS_FIXEDFILEINFO) > size) return false;
  std::memcpy(&out, data + offset, sizeof(out));
  return out.dwSignature == VS_FFI_SIGNATURE;
}

// Free physical memory, free virtual address space and the total page file,
// in kilobytes. GlobalMemoryStatusEx counts beyond 4 GB; Windows 9x and Win32s
// do not have it, so it is looked up and GlobalMemoryStatus serves there.
struct MemoryFigures {
  unsigned long long freePhysicalKb;
  unsigned long long freeVirtualKb;
  unsigned long long pageFileKb;
};

MemoryFigures ReadMemoryFigures() {
  using StatusExFn = BOOL(WINAPI*)(LPMEMORYSTATUSEX);
  const auto statusEx = FindSystemFunction<StatusExFn>("kernel32.dll", "GlobalMemoryStatusEx");
  MEMORYSTATUSEX ex = {};
  ex.dwLength = sizeof(ex);
  if (statusEx && statusEx(&ex))
    return {ex.ullAvailPhys / 1024, ex.ullAvailVirtual / 1024, ex.ullTotalPageFile / 1024};
  MEMORYSTATUS status = {};
  status.dwLength = sizeof(status);
  GlobalMemoryStatus(&status);
  return {status.dwAvailPhys / 1024, status.dwAvailVirtual / 1024, status.dwTotalPageFile / 1024};
}

// Unsigned and 64 bits wide: a 64-bit process has far more than 2^31 kb of
// free address space, which a signed 32-bit figure would show as negative.
std::string Kilobytes(unsigned long long kb) { return std::to_string(kb) + " kb"; }

}  // namespace

std::string ProgramVersionText() {
  HMODULE self = GetModuleHandleA(nullptr);
  // Resources of the program's own module stay loaded with it: nothing to free.
  HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(VS_VERSION_INFO), RT_VERSION);
  HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
  const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  VS_FIXEDFILEINFO info;
  if (!data || !FindFixedFileInfo(data, SizeofResource(self, found), info)) return std::string();
  char text[64];
  std::snprintf(text, sizeof(text), "%u.%02u.%02u.%02u",
                static_cast<unsigned>(HIWORD(info.dwFileVersionMS)),
                static_cast<unsigned>(LOWORD(info.dwFileVersionMS)),
                static_cast<unsigned>(HIWORD(info.dwFileVersionLS)),
                static_cast<unsigned>(LOWORD(info.dwFileVersionLS)));
  return text;
}

const char* PlatformName(const COsVersion& os) {
  switch (os.PlatformCode()) {
    case COsVersion::kPlatformWin32s: return "Win32s";
    case COsVersion::kPlatformWin9x: return "Win9x";
    case COsVersion::kPlatformNT: return "WinNT";
    default: return "Windows";
  }
}

CAboutDlg::CAboutDlg() : strings_(GetModuleHandleA(nullptr)), os_(COsVersion::FromSystem()) {}

INT_PTR CAboutDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  FontOverride(hwnd, message);
  if (EndOnCommonCommand(hwnd, message, wParam)) return 1;
  if (message == WM_INITDIALOG) {
    OnInitDialog();
    return 1;
  }
  return 0;
}

HWND CAboutDlg::List() const { return GetDlgItem(hwnd, IDC_ABOUTLIST); }

void CAboutDlg::OnInitDialog() {
  strings_.SetWindowTextFrom(hwnd, IDS_ABOUTTITLE);
  strings_.SetItemTextFrom(hwnd, IDC_LEGALNOTICE, IDS_LEGALNOTICE);
  strings_.SetItemTextFrom(hwnd, IDC_TOOLTITLE, IDS_TOOLTITLE);
  InsertColumns();

  AddRow(strings_.Load(IDS_VERSION), ProgramVersionText());
  AddRow(strings_.Load(IDS_BUILDSTAMP), std::string(__DATE__) + " " + __TIME__);
  AddRow(strings_.Load(IDS_PLATFORM), PlatformName(os_));
  const MemoryFigures memory = ReadMemoryFigures();
  AddRow("Free Physical RAM", Kilobytes(memory.freePhysicalKb));
  AddRow("Free Virtual RAM", Kilobytes(memory.freeVirtualKb));
  AddRow("Swap File Size", Kilobytes(memory.pageFileKb));

  CenterWindow(hwnd, nullptr);
  for (int c = 0; c < 2; ++c) ListView_SetColumnWidth(List(), c, LVSCW_AUTOSIZE_USEHEADER);
}

void CAboutDlg::InsertColumns() {
  static const char* const kHeaders[2] = {".", ".."};
  for (int c = 0; c < 2; ++c) {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = kColumnWidth;
    column.pszText = const_cast<char*>(kHeaders[c]);
    column.iSubItem = c;
    SendMessageA(List(), LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
  }
}

void CAboutDlg::AddRow(const char* label, const std::string& value) {
  HWND list = List();
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = ListView_GetItemCount(list);
  item.pszText = const_cast<char*>(label);
  const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return;
  LVITEMA cell = {};
  cell.iSubItem = 1;
  cell.pszText = const_cast<char*>(value.c_str());
  SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
}

}  // namespace vq
