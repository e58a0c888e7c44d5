#include "uninstall/app/RemovePage.h"

#include "uninstall/app/Ui.h"
#include "uninstall/engine/Services.h"
#include "uninstall/engine/SpoolerHandles.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/Settings.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"

namespace vq {

bool CRemovePage::s_inTimer = false;

namespace {
const int kRowText[CRemovePage::kRowCount] = {2015, 2016, 2017, 2018, 2019, 2020, 2021, 2022, 2023};
const int kRowIcon[CRemovePage::kRowCount] = {IDC_ROW0_ICON, IDC_ROW1_ICON, IDC_ROW2_ICON,
                                              IDC_ROW3_ICON, IDC_ROW4_ICON, IDC_ROW5_ICON,
                                              IDC_ROW6_ICON, IDC_ROW7_ICON, IDC_ROW8_ICON};
enum StateImage { kPending = 0, kDone = 1, kRunning = 2 };
const UINT kTickMs = 200;
const COLORREF kMaskColour = RGB(255, 0, 255);

// The row fonts follow the font settings. Without a settings file the face is
// empty and the sizes 1, which would give an unreadable one-pixel font: the
// page's own dialog font is used then, at the same weight.
HFONT CreateRowFont(HWND page, int weight) {
  const CSettings& s = ProcessSettings();
  if (s.fontType[0] == '\0') {
    LOGFONTA lf = {};
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0));
    if (!dialogFont || !GetObjectA(dialogFont, sizeof(lf), &lf))
      GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfWeight = weight;
    return CreateFontIndirectA(&lf);
  }
  return CreateFontA(s.fontHeight, s.fontWidth, 0, 0, weight, FALSE, FALSE, FALSE,
                     static_cast<BYTE>(s.fontCharSet), 0, 0, 0,
                     static_cast<BYTE>(s.fontPitch | s.fontFamily), s.fontType);
}

// The disguise tool's folders: the values of HKLM\SOFTWARE\VARDEN QUILLAN\OEM\OEMPaths.
std::string FindDisguiseTool(const char* fileName) {
  CRegKey key;
  if (key.OpenEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\VARDEN QUILLAN\\OEM\\OEMPaths", KEY_ALL_ACCESS) !=
      ERROR_SUCCESS)
    return std::string();
  for (DWORD index = 0;; ++index) {
    char name[260], data[260];
    DWORD nameSize = sizeof(name), dataSize = sizeof(data) - 1, type = 0;
    if (Access().RegEnumValueA(key.Get(), index, name, &nameSize, nullptr, &type,
                               reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS)
      break;
    data[dataSize < sizeof(data) ? dataSize : sizeof(data) - 1] = '\0';
    std::string path = data;
    if (path.empty()) continue;
    if (path.back() != '\\') path += '\\';
    path += fileName;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return path;
    }
  }
  return std::string();
}
}  // namespace

CRemovePage::CRemovePage() { context.os = COsVersion::FromSystem(); }

CRemovePage::~CRemovePage() {
  if (normalFont_) DeleteObject(normalFont_);
  if (boldFont_) DeleteObject(boldFont_);
  if (stateImages_) ImageList_Destroy(stateImages_);
  if (vezzaroProcess && vezzaroProcess != reinterpret_cast<HANDLE>(1)) CloseHandle(vezzaroProcess);
}

INT_PTR CRemovePage::DialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return 1;
    case WM_SHOWWINDOW:
      if (wParam) Redraw(true);
      return 0;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      for (int r = 0; r < kRowCount; ++r) InvalidateRect(GetDlgItem(hwnd, kRowIcon[r]), nullptr, TRUE);
      return 1;
    }
    case WM_TIMER:
      if (wParam == IDT_REMOVE) RunTimerStep();
      return 1;
  }
  return 0;
}

void CRemovePage::OnInitDialog() {
  context.pageWindow = hwnd;
  normalFont_ = CreateRowFont(hwnd, FW_NORMAL);
  boldFont_ = CreateRowFont(hwnd, FW_BOLD);
  stateImages_ = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_STATES), 16,
                                      10, kMaskColour, IMAGE_BITMAP, LR_CREATEDIBSECTION);
  for (int r = 0; r < kRowCount; ++r) strings_.SetItemTextFrom(hwnd, kRowText[r], IDS_ROW0 + r);
}

void CRemovePage::PaintRow(int row, HDC dc) {
  int image = kPending;
  HFONT font = normalFont_;
  if (progressActive && row < currentRow) image = kDone;
  if (progressActive && row == currentRow) {
    image = kRunning;
    font = boldFont_;
  }
  SendDlgItemMessageA(hwnd, kRowText[row], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (stateImages_ && dc) ImageList_Draw(stateImages_, image, dc, 0, 0, ILD_NORMAL);
}

INT_PTR CRemovePage::OnCtlColorStatic(HDC dc, HWND control) {
  for (int r = 0; r < kRowCount; ++r) {
    if (GetDlgItem(hwnd, kRowIcon[r]) != control) continue;
    PaintRow(r, dc);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
  }
  return 0;
}

void CRemovePage::Redraw(bool reset) {
  if (reset) currentRow = 0;
  progressActive = !reset;
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
  if (progressActive) ++currentRow;
}

void CRemovePage::ShowRow(int row) {
  currentRow = row;
  Redraw(false);
}

void CRemovePage::BuildFolderLists() {
  struct Entry {
    FolderId id;
    bool driver;  // driverFolders, else systemFolders
    bool ntOnly;
  };
  static const Entry kEntries[] = {
      {kFolderPrinterDriver, true, false},    {kFolderSystem, false, false},
      {kFolderWindows, false, false},         {kFolderPrintProcessor, true, false},
      {kFolderColor, false, false},           {kFolderPrinterDriverW40, true, true},
      {kFolderPrintProcessorW40, true, true}};
  for (const Entry& e : kEntries) {
    if (e.ntOnly && !context.os.IsNT()) continue;
    CFileSpec spec(context.os);
    spec.SetFolder(e.id);
    std::string path = spec.FolderPath();
    if (path.size() >= 2) {  // the spooler may answer late: ask once more
      Sleep(100);
      spec.SetFolder(e.id);
      path = spec.FolderPath();
    }
    std::vector<std::string>& list = e.driver ? context.driverFolders : context.systemFolders;
    list.push_back(path);
    NormaliseList(list);
  }
}

void CRemovePage::Start() {
  EnableWindow(GetDlgItem(GetParent(hwnd), IDC_UNINSTALL), FALSE);
  BuildFolderLists();
  CFileSpec spec(context.os);
  spec.SetFolder(kFolderPrinterDriver);
  context.driverDirectory = spec.FolderPath();
  step = 0;
  Redraw(true);
  SetTimer(hwnd, IDT_REMOVE, kTickMs, nullptr);
}

bool CRemovePage::DisguiseToolStep() {
  if (context.database->disguiseToolKept) return false;
  if (!vezzaroProcess) {
    vezzaroPath = FindDisguiseTool(kDisguiseTool32);
    if (vezzaroPath.empty()) vezzaroPath = FindDisguiseTool(kDisguiseToolWin32s);
    if (vezzaroPath.empty()) return false;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    char commandLine[] = " /d";
    if (CreateProcessA(vezzaroPath.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &si, &pi)) {
      CloseHandle(pi.hThread);
      vezzaroProcess = pi.hProcess;
      return true;
    }
    if (context.os.IsWin32s()) {
      vezzaroProcess = reinterpret_cast<HANDLE>(1);  // no handle there: watch its dialog
      return true;
    }
    return false;
  }
  bool running;
  if (context.os.IsWin32s()) {
    running = FindWindowA("#32770", "Vezzaro") != nullptr;
  } else {
    DWORD code = 0;
    running = GetExitCodeProcess(vezzaroProcess, &code) && code == STILL_ACTIVE;
  }
  if (running) return true;
  if (vezzaroProcess != reinterpret_cast<HANDLE>(1)) CloseHandle(vezzaroProcess);
  vezzaroProcess = nullptr;
  return false;
}

void CRemovePage::RunTimerStep() {
  if (s_inTimer) return;
  s_inTimer = true;
  if (waitCursor) SetCursor(waitCursor);
  switch (step) {
    case 0:
      ShowRow(0);
      waitCursor = LoadCursorA(nullptr, IDC_WAIT);
      previousCursor = SetCursor(waitCursor);
      context.database->ComputeRemovalSet();
      ShowRow(1);
      break;
    case 1:
      ShowRow(1);
      if (DisguiseToolStep()) {
        s_inTimer = false;
        return;  // the tool is still undoing its work: look again next tick
      }
      break;
    // Steps 2 to 6 (hooks, printers, drivers, monitors, print processors) and
    // 9 to 15 (installation folders, shortcuts, INI and Run entries, files,
    // INF copies, registry items) call removal phases that this build of the
    // tool does not contain yet; their ticks only move the rows on.
    case 2: ShowRow(2); break;
    case 3: currentRow = 2; ShowRow(3); break;
    case 4: ShowRow(4); break;
    case 5: ShowRow(5); break;
    case 6: ShowRow(6); break;
    case 7:
      RemoveServices(*context.database, context.os);
      break;
    case 8:
      if (context.os.IsWin9x()) {
        if (context.os.VersionCode() == COsVersion::kVersion95) CloseSpoolerWindow();
        context.database->restartNeeded = 1;
      } else if (context.os.VersionCode() == COsVersion::kVersionNT3 ||
                 context.os.VersionCode() == COsVersion::kVersionNT4) {
        StopSpooler();
      }
      ShowRow(7);
      break;
    case 13: ShowRow(8); break;
    case 15: currentRow = kRowCount; Redraw(false); break;
    case 16:
      if (context.os.IsNT()) StartSpooler();
      break;
    case 17:
      Finish();
      s_inTimer = false;
      return;
    default:
      break;
  }
  ++step;
  s_inTimer = false;
}

void CRemovePage::Finish() {
  KillTimer(hwnd, IDT_REMOVE);
  SetCursor(previousCursor);
  waitCursor = nullptr;
  HWND main = GetParent(hwnd);
  const char* caption = strings_.Load(IDS_CAPTION);
  if (!context.database->restartNeeded) {
    ShowMessage(strings_.Load(IDS_DONE), caption, MB_OK | MB_SETFOREGROUND);
  } else {
    // This build has no restart phase yet: a Yes cannot restart Windows, so
    // the user is told to restart by hand, as after a failed restart.
    if (ShowMessage(strings_.Load(IDS_ASKRESTART), caption,
                    MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES)
      ShowMessage(strings_.Load(IDS_RESTARTFAILED), caption, MB_OK | MB_SETFOREGROUND);
    PostMessageA(main, WM_CLOSE, 0, 0);
  }
  PostMessageA(main, WM_APP_RUN_FINISHED, 0, 0);
}

}  // namespace vq
