#include "uninstall/profile/FileSpec.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "uninstall/profile/ScriptFinder.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/AccessLayer.h"
#include "uninstall/system/Handles.h"

namespace vq {

const FolderVariable kFolderVariables[kFolderVariableCount] = {
    {"WINDIR", kFolderWindows},
    {"SYSDIR", kFolderSystem},
    {"COLORDIR", kFolderColor},
    {"PRINTPROCDIR", kFolderPrintProcessor},
    {"PRINTPROCDIR_W40", kFolderPrintProcessorW40},
    {"PRINTDRIVERDIR", kFolderPrinterDriver},
    {"PRINTDRIVERDIR_W40", kFolderPrinterDriverW40},
};

namespace {

// An item id list the shell allocated; given back to the task allocator.
struct ItemIdListTraits {
  using Type = LPITEMIDLIST;
  static Type Invalid() { return nullptr; }
  static void Release(Type h) { CoTaskMemFree(h); }
};
using CItemIdList = CHandleOwner<ItemIdListTraits>;

// CSIDL number of each shell folder id, -1 for ids that are no shell folder.
int ShellFolderCsidl(int id) {
  switch (id) {
    case kFolderDesktop: return CSIDL_DESKTOP;
    case kFolderFavorites: return CSIDL_FAVORITES;
    case kFolderAppData: return CSIDL_APPDATA;
    case kFolderInternetCache: return CSIDL_INTERNET_CACHE;
    case kFolderCookies: return CSIDL_COOKIES;
    case kFolderFonts: return CSIDL_FONTS;
    case kFolderHistory: return CSIDL_HISTORY;
    case kFolderNetHood: return CSIDL_NETHOOD;
    case kFolderPersonal: return CSIDL_PERSONAL;
    case kFolderPrintHood: return CSIDL_PRINTHOOD;
    case kFolderPrograms: return CSIDL_PROGRAMS;
    case kFolderRecent: return CSIDL_RECENT;
    case kFolderSendTo: return CSIDL_SENDTO;
    case kFolderStartMenu: return CSIDL_STARTMENU;
    case kFolderStartup: return CSIDL_STARTUP;
    case kFolderAltStartup: return CSIDL_ALTSTARTUP;
    case kFolderCommonStartup: return CSIDL_COMMON_STARTUP;
    case kFolderCommonAltStartup: return CSIDL_COMMON_ALTSTARTUP;
    case kFolderTemplates: return CSIDL_TEMPLATES;
    case kFolderProgramFiles: return CSIDL_PROGRAM_FILES;
    case kFolderPrinters: return CSIDL_PRINTERS;
    case kFolderCommonPrograms: return CSIDL_COMMON_PROGRAMS;
    default: return -1;
  }
}

// Whether a text ends within `size` bytes: a buffer the system (or a
// substituted access layer) filled without its zero is not used at all, and
// a caller's text is never read past the field it must fit in.
bool IsTerminated(const char* text, std::size_t size) { return strnlen(text, size) < size; }

// The usual result check of the "fill a buffer, return the length" calls:
// 0 is a failure, a length of the buffer's size or more means it did not fit.
bool FitsBuffer(DWORD length, std::size_t size) { return length != 0 && length < size; }

bool IsSlash(char c) { return c == '\\' || c == '/'; }

using GetColorDirectoryFn = BOOL(WINAPI*)(PCSTR machine, PSTR buffer, PDWORD size);

}  // namespace

bool EnsureTrailingBackslash(char* text, unsigned size) {
  if (!text || size == 0) return false;
  std::size_t len = std::strlen(text);
  if (len == 0 || text[len - 1] == '\\') return true;
  if (len + 2 > size) return false;
  text[len] = '\\';
  text[len + 1] = '\0';
  return true;
}

CFileSpec::CFileSpec() : CFileSpec(COsVersion::FromSystem()) {}

CFileSpec::CFileSpec(const COsVersion& os) : os_(os) {
  Clear();
  work_[0] = '\0';
}

void CFileSpec::Clear() {
  drive_[0] = dir_[0] = name_[0] = ext_[0] = '\0';
}

void CFileSpec::SetPath(const char* path) {
  Clear();
  if (!path || !IsTerminated(path, kTextSize)) return;
  const char* p = path;
  if (p[0] != '\0' && p[1] == ':') {
    std::memcpy(drive_, p, 2);
    drive_[2] = '\0';
    p += 2;
  }
  const char* file = p;
  for (const char* q = p; *q; ++q)
    if (IsSlash(*q)) file = q + 1;
  std::memcpy(dir_, p, file - p);
  dir_[file - p] = '\0';
  const char* dot = std::strrchr(file, '.');
  if (!dot) dot = file + std::strlen(file);
  std::memcpy(name_, file, dot - file);
  name_[dot - file] = '\0';
  std::strcpy(ext_, dot);  // each part is shorter than the whole path
}

const char* CFileSpec::Rebuild(bool withFile) {
  const char* parts[4] = {drive_, dir_, withFile ? name_ : "", withFile ? ext_ : ""};
  std::size_t len = 0;
  for (const char* part : parts) len += std::strlen(part);
  work_[0] = '\0';
  if (len >= kTextSize) return work_;
  for (const char* part : parts) std::strcat(work_, part);
  return work_;
}

const char* CFileSpec::FullPath() { return Rebuild(true); }

const char* CFileSpec::FolderPath() { return Rebuild(false); }

const char* CFileSpec::AppendSubfolder(const char* name) {
  // An empty folder stays empty: "\name\" would be a folder at the root of
  // whatever drive is current.
  if (!name || !*name || (!drive_[0] && !dir_[0])) return FullPath();
  std::string dir = dir_;
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  dir += name;
  if (dir.back() != '\\') dir += '\\';
  if (std::strlen(drive_) + dir.size() + std::strlen(name_) + std::strlen(ext_) >= kTextSize) {
    work_[0] = '\0';
    return work_;
  }
  std::strcpy(dir_, dir.c_str());
  return FullPath();
}

bool CFileSpec::Search(const char* searchPath) {
  char file[kTextSize];
  if (std::strlen(name_) + std::strlen(ext_) >= sizeof(file)) return false;
  std::strcpy(file, name_);
  std::strcat(file, ext_);
  if (!file[0]) return false;
  char found[kTextSize] = "";
  char* filePart = nullptr;
  DWORD n = SearchPathA(searchPath, file, nullptr, sizeof(found), found, &filePart);
  if (!FitsBuffer(n, sizeof(found))) return false;
  SetPath(found);
  return true;
}

bool CFileSpec::FileExists() {
  const char* path = FullPath();
  if (!path[0]) return false;
  CFileHandle file(
      CreateFileA(path, 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid();
}

void CFileSpec::SetFolderText(const char* folder) {
  char text[kTextSize];
  Clear();
  if (!CopyBounded(text, sizeof(text), folder)) return;
  if (!EnsureTrailingBackslash(text, sizeof(text))) return;
  SetPath(text);
}

void CFileSpec::ResolveShellFolder(int csidl) {
  if (os_.IsWin32s()) return;
  LPITEMIDLIST raw = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &raw))) return;
  CItemIdList list(raw);
  char path[MAX_PATH + 1] = "";
  if (!SHGetPathFromIDListA(list.Get(), path)) return;
  // A virtual folder has no path; some shells answer with its parsing name
  // ("::{...}") instead of failing, which is no folder either.
  if (std::strncmp(path, "::", 2) == 0) return;
  if (IsTerminated(path, kTextSize)) SetFolderText(path);
}

void CFileSpec::ResolveSpoolerFolder(bool printProcessor, const char* environment) {
  BYTE buffer[kTextSize] = {};
  DWORD needed = 0;
  LPSTR env = const_cast<LPSTR>(environment);
  BOOL ok = printProcessor
                ? Access().GetPrintProcessorDirectoryA(nullptr, env, 1, buffer, sizeof(buffer),
                                                       &needed)
                : Access().GetPrinterDriverDirectoryA(nullptr, env, 1, buffer, sizeof(buffer),
                                                      &needed);
  const char* text = reinterpret_cast<const char*>(buffer);
  if (ok && IsTerminated(text, sizeof(buffer))) SetFolderText(text);
}

void CFileSpec::ResolveColorFolder() {
  if (!os_.IsWin32s()) {
    CModule mscms(LoadLibraryA("mscms.dll"));
    if (mscms.IsValid()) {
      auto getColorDirectory = reinterpret_cast<GetColorDirectoryFn>(
          reinterpret_cast<void*>(GetProcAddress(mscms.Get(), "GetColorDirectoryA")));
      char folder[kTextSize] = "";
      DWORD size = sizeof(folder);
      if (getColorDirectory && getColorDirectory(nullptr, folder, &size) &&
          IsTerminated(folder, sizeof(folder))) {
        SetFolderText(folder);
        if (dir_[0]) return;
      }
    }
  }
  // Without the colour library: the system folder's "Color", created when
  // missing. Probed by its attributes, so the current directory stays put.
  char folder[kTextSize] = "";
  if (!FitsBuffer(GetSystemDirectoryA(folder, sizeof(folder)), sizeof(folder))) return;
  if (!EnsureTrailingBackslash(folder, sizeof(folder)) ||
      std::strlen(folder) + std::strlen("Color") >= sizeof(folder))
    return;
  std::strcat(folder, "Color");
  if (GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(folder, nullptr);
  SetFolderText(folder);
}

void CFileSpec::ResolveTempFile() {
  char folder[kTextSize] = "";
  if (!FitsBuffer(GetTempPathA(sizeof(folder), folder), sizeof(folder))) return;
  char file[MAX_PATH] = "";
  if (GetTempFileNameA(folder, "~~", 0, file) == 0) return;
  SetPath(file);
}

void CFileSpec::SetShellFolder(int csidl) {
  Clear();
  ResolveShellFolder(csidl);
}

void CFileSpec::SetSpoolerFolder(bool printProcessor, const char* environment) {
  Clear();
  ResolveSpoolerFolder(printProcessor, environment);
}

int CFileSpec::SetFolder(int id) {
  Clear();
  char text[kTextSize] = "";
  const int csidl = ShellFolderCsidl(id);
  if (csidl >= 0) {
    ResolveShellFolder(csidl);
    return 1;
  }
  switch (id) {
    case kFolderProgramFile:
    case kFolderProgram:
      if (FitsBuffer(GetModuleFileNameA(nullptr, text, sizeof(text)), sizeof(text))) {
        SetPath(text);
        if (id == kFolderProgram) name_[0] = ext_[0] = '\0';
      }
      break;
    case kFolderWindows:
      if (FitsBuffer(GetWindowsDirectoryA(text, sizeof(text)), sizeof(text))) SetFolderText(text);
      break;
    case kFolderSystem:
      if (FitsBuffer(GetSystemDirectoryA(text, sizeof(text)), sizeof(text))) SetFolderText(text);
      break;
    case kFolderTemp:
      if (FitsBuffer(GetTempPathA(sizeof(text), text), sizeof(text))) SetFolderText(text);
      break;
    case kFolderTempFile: ResolveTempFile(); break;
    case kFolderPrinterDriver: ResolveSpoolerFolder(false, nullptr); break;
    case kFolderPrinterDriverW40: ResolveSpoolerFolder(false, "Windows 4.0"); break;
    case kFolderPrintProcessor:
    case kFolderPrintProcessorW40: ResolveSpoolerFolder(true, nullptr); break;
    case kFolderColor: ResolveColorFolder(); break;
    case kFolderCurrent:
      if (FitsBuffer(GetCurrentDirectoryA(sizeof(text), text), sizeof(text))) SetFolderText(text);
      break;
    default: break;  // 0 and unknown ids: no folder
  }
  return 1;
}

std::string SettingsFileName() {
  CFileSpec program;
  program.SetFolder(kFolderProgram);
  const std::string folder = program.FolderPath();
  return folder.empty() ? std::string() : folder + kScriptFileName;
}

}  // namespace vq
