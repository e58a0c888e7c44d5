#include "uninstall/engine/FileRemoval.h"

#include "uninstall/engine/ActionLog.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "uninstall/engine/Handles.h"
#include "uninstall/engine/RebootDeletion.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"

namespace vq {

namespace {

constexpr int kDriverTreeDepth = 2;
constexpr int kInstallTreeDepth = 3;

const char* const kProtectedFiles[] = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "csrss.exe",    "explorer.exe",
    "gdi.exe",      "gdi32.dll",    "hal.dll",      "kernel32.dll", "krnl386.exe",
    "localspl.dll", "lsass.exe",    "mscms.dll",    "msvcrt.dll",   "ntdll.dll",
    "ntoskrnl.exe", "ole32.dll",    "oleaut32.dll", "rpcrt4.dll",   "rundll32.exe",
    "services.exe", "setupapi.dll", "shell32.dll",  "shlwapi.dll",  "smss.exe",
    "spoolss.dll",  "spoolsv.exe",  "system.ini",   "unidrv.dll",   "unidrvui.dll",
    "user.exe",     "user32.dll",   "win.com",      "win.ini",      "win32spl.dll",
    "winlogon.exe", "winprint.dll", "winspool.drv", "ws2_32.dll",
};

// A file name that can only name one file in a folder: no folder part, no
// wildcard, stream or device syntax, and not "." or "..".
bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of("\\/:*?\"<>|") == std::string::npos;
}

bool IsAbsoluteFolder(const std::string& folder) {
  if (folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\') return true;
  return folder.size() > 2 && folder[0] == '\\' && folder[1] == '\\';
}

bool HasRelativePart(const std::string& path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (part == "." || part == "..") return true;
    start = end + 1;
  }
  return false;
}

std::string FolderText(const COsVersion& os, int id) {
  CFileSpec place(os);
  place.SetFolder(id);
  return place.FolderPath();
}

// `outer` is `inner` or one of the folders that hold it.
bool Contains(const std::string& outer, const std::string& inner) {
  return !inner.empty() && outer.size() <= inner.size() &&
         EqualNoCase(outer, inner.substr(0, outer.size()));
}

void ClearReadOnly(const std::string& path) { vq::ClearReadOnly(path.c_str()); }

// The file's name and extension, as a CFileSpec splits it.
std::string FileNameOf(const char* text) {
  CFileSpec place;
  place.SetPath(text);
  return std::string(place.Name()) + place.Extension();
}

// Deletes through the index what DeleteInTree finds; 1 when one was scheduled.
int DeleteThroughIndex(const COsVersion& os, CFileIndex& index, const std::string& folder,
                       const std::string& name, int depth, bool removeFolders) {
  const CFolderTree& tree = index.Tree(folder, depth);
  if (removeFolders) index.RemoveFoldersOf(folder, depth);
  int scheduled = 0;
  if (const std::vector<std::string>* paths = tree.Find(name))
    for (const std::string& path : *paths)
      if (DeleteOrSchedule(os, path.c_str()) == 0) scheduled = 1;
  return scheduled;
}

void DeleteFromSystemFolders(CRemovalContext& ctx, const std::string& file) {
  const bool xp = ctx.os.VersionCode() == COsVersion::kVersionXP;
  for (const std::string& folder : ctx.systemFolders) {
    if (!IsAbsoluteFolder(folder) || folder.size() + file.size() > kFieldChars) continue;
    const std::string path = folder + file;
    ClearReadOnly(path);
    if (xp && folder == ctx.windowsPath) {
      // Windows XP keeps last-known-good copies that are read-only.
      ClearReadOnly(ctx.windowsPath + "LastGood\\System32\\" + file);
      ClearReadOnly(ctx.windowsPath + "LastGood.Tmp\\System32\\" + file);
    }
    if (DeleteOrSchedule(ctx.os, path.c_str()) == 0) ctx.database->restartNeeded = 1;
  }
}

void DeleteFromDriverFolders(CRemovalContext& ctx, const std::string& file, CFileIndex* index) {
  const int version = ctx.os.VersionCode();
  for (const std::string& folder : ctx.driverFolders) {
    if (!IsAbsoluteFolder(folder) || folder.size() + file.size() > kFieldChars) continue;
    ClearReadOnly(folder + file);
    if ((version == COsVersion::kVersionNT5 || version == COsVersion::kVersionXP) &&
        folder == ctx.driverPath) {
      ClearReadOnly(ctx.driverPath + "3\\" + file);  // the version-3 driver folder
      if (version == COsVersion::kVersionXP && !ctx.driverSubPath.empty())
        ClearReadOnly(ctx.driverSubPath + file);
    }
    const int scheduled =
        index ? DeleteThroughIndex(ctx.os, *index, folder, file, kDriverTreeDepth, false)
              : DeleteInTree(ctx.os, folder.c_str(), file.c_str(), kDriverTreeDepth, false);
    if (scheduled) ctx.database->restartNeeded = 1;
  }
}

void DeleteFromInstallationFolders(CRemovalContext& ctx, const std::string& name,
                                   CFileIndex* index) {
  for (const std::string& item : ctx.database->removal.List(kOemFolders)) {
    const std::string folder = InstallationFolderOf(item);
    if (folder.empty()) continue;
    const int scheduled =
        index ? DeleteThroughIndex(ctx.os, *index, folder, name, kInstallTreeDepth, true)
              : DeleteInTree(ctx.os, folder.c_str(), name.c_str(), kInstallTreeDepth, true);
    if (scheduled) ctx.database->restartNeeded = 1;
    if (!index) RemoveDirectoryA(folder.c_str());  // only when now empty
  }
}

}  // namespace

bool IsProtectedFileName(const char* name) {
  for (const char* protectedName : kProtectedFiles)
    if (EqualNoCase(name, protectedName)) return true;
  return false;
}

std::string InstallationFolderOf(const std::string& item) {
  if (item.empty() || item.size() > kFieldChars) return std::string();
  std::string folder = item;
  const DWORD attributes = GetFileAttributesA(item.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    if (folder.back() != '\\') folder += '\\';
  } else {
    folder = folder.substr(0, folder.find_last_of('\\') + 1);  // the folder of a file
  }
  if (!IsAbsoluteFolder(folder) || HasRelativePart(folder) || folder.size() > kFieldChars)
    return std::string();
  if (folder.size() <= 3) return std::string();  // a drive's root
  const COsVersion os = COsVersion::FromSystem();
  for (int id : {kFolderWindows, kFolderSystem, kFolderProgramFiles})
    if (Contains(folder, FolderText(os, id))) return std::string();
  return folder;
}

void PrepareFolderPaths(CRemovalContext& ctx) {
  ctx.windowsPath = FolderText(ctx.os, kFolderWindows);
  ctx.driverPath = FolderText(ctx.os, kFolderPrinterDriver);
  ctx.driverSubPath.clear();
  ItemList& directories = ctx.database->removal.List(kDirectorys);
  NormaliseList(directories);
  if (directories.empty() || ctx.driverPath.empty()) return;
  CFileSpec place(ctx.os);
  place.SetPath(directories.front().c_str());
  const std::string sub = place.FullPath();
  // Only a folder below the driver folder: no drive, no leading backslash,
  // no "." or ".." parts.
  if (sub.empty() || sub[0] == '\\' || sub.find(':') != std::string::npos || HasRelativePart(sub))
    return;
  std::string path = ctx.driverPath + sub;
  if (path.back() != '\\') path += '\\';
  if (path.size() <= kFieldChars) ctx.driverSubPath = path;
}

void DeleteFileEverywhere(CRemovalContext& ctx, const char* name, CFileIndex* index) {
  if (!name) return;
  const std::string file = FileNameOf(name);
  if (IsPlainFileName(file) && !IsProtectedFileName(file.c_str())) {
    DeleteFromSystemFolders(ctx, file);
    DeleteFromDriverFolders(ctx, file, index);
  } else if (IsPlainFileName(file)) {
    LogOutcome("delete file", Quoted(file), "refused in the system and driver folders: Windows needs it");
  }
  // The installation folders are the maker's own: the whole item is the name.
  if (IsPlainFileName(name)) DeleteFromInstallationFolders(ctx, name, index);
}

int DeleteInTree(const COsVersion& os, const char* folder, const char* name, int depth,
                 bool removeFolders) {
  std::string base = folder;
  if (base.empty()) return 0;
  if (base.back() != '\\') base += '\\';
  WIN32_FIND_DATAA found;
  CFindHandle find(FindFirstFileA((base + "*.*").c_str(), &found));
  if (!find.IsValid()) return 0;
  int scheduled = 0;
  do {
    const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!isFolder && EqualNoCase(found.cFileName, name)) {
      if (DeleteOrSchedule(os, (base + name).c_str()) == 0) scheduled = 1;
    } else if (isFolder && found.cFileName[0] != '.' && depth > 0) {
      const std::string sub = base + found.cFileName + "\\";
      if (sub.size() > kFieldChars) continue;
      scheduled |= DeleteInTree(os, sub.c_str(), name, depth - 1, removeFolders);
      if (removeFolders) RemoveDirectoryA(sub.c_str());  // only when now empty
    }
  } while (FindNextFileA(find.Get(), &found));
  return scheduled;
}

void RemoveFiles(CRemovalContext& ctx) {
  CUninstallDatabase& db = *ctx.database;
  ItemList& files = db.removal.List(kFiles);
  NormaliseList(files);
  CFileIndex index;
  bool zreg32s = false;
  for (const std::string& item : files) {
    const std::string name = item.substr(0, item.find('='));
    if (name.empty()) continue;
    DeleteFileEverywhere(ctx, name.c_str(), &index);
    if (EqualNoCase(name, "zreg32s.ini")) zreg32s = true;
  }
  // The restart helper goes when nothing of the package stays and no restart
  // will need it.
  if (db.keptCount == 0 && !ctx.os.IsWin32s() && !db.restartNeeded)
    DeleteFileEverywhere(ctx, "ZRESTART.EXE", &index);
  index.RemoveEmptiedFolders();
  if (db.keptCount == 0 && ctx.os.IsWin32s() && zreg32s) {
    const std::string windows = FolderText(ctx.os, kFolderWindows);
    if (!windows.empty()) ScheduleZwininit((windows + "zreg32s.ini").c_str());
  }
}

int RemoveDriverSubfolder(CRemovalContext& ctx) {
  if (ctx.driverSubPath.empty()) return 0;
  ClearReadOnly(ctx.driverSubPath);
  return RemoveDirectoryA(ctx.driverSubPath.c_str()) ? 1 : 0;
}

}  // namespace vq
