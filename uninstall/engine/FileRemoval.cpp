#include "uninstall/engine/FileRemoval.h"

#include "uninstall/engine/ActionLog.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "uninstall/engine/ProtectedFolders.h"
#include "uninstall/engine/RebootDeletion.h"
#include "uninstall/engine/Wow64.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/NameFolding.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/system/AccessLayer.h"
#include "uninstall/system/Handles.h"

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

bool IsSlash(char c) { return c == '\\' || c == '/'; }

// A drive's root and what lies below it, or a network or "\\?\" path: what
// does not depend on the current folder of the process or of a drive
// ("folder", "\folder", "C:folder" do).
bool IsAbsoluteFolder(const std::string& folder) {
  const unsigned char drive = FoldCase(static_cast<unsigned char>(folder.empty() ? 0 : folder[0]));
  if (folder.size() >= 3 && drive >= 'a' && drive <= 'z' && folder[1] == ':' && IsSlash(folder[2]))
    return true;
  return folder.size() > 2 && IsSlash(folder[0]) && IsSlash(folder[1]);
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

// `outer` is `inner` or one of the folders that hold it (both end with a
// backslash, so "C:\A\" does not hold "C:\AB\").
bool Contains(const std::string& outer, const std::string& inner) {
  return !outer.empty() && outer.size() <= inner.size() &&
         EqualNames(outer, inner.substr(0, outer.size()));
}

void ClearReadOnly(const std::string& path) { vq::ClearReadOnly(path.c_str()); }

// The file's name and extension, as a CFileSpec splits it.
std::string FileNameOf(const char* text) {
  CFileSpec place;
  place.SetPath(text);
  return std::string(place.Name()) + place.Extension();
}

// A folder as the file system spells it: a "\\?\" prefix dropped, then made
// full by the system (".", "..", forward slashes, repeated separators and
// trailing dots or blanks of its parts resolved), with a trailing backslash.
// Empty when that fails or the result does not fit a field.
std::string FullFolder(const std::string& text) {
  std::string path = text;
  if (path.rfind("\\\\?\\UNC\\", 0) == 0) path = "\\\\" + path.substr(8);
  else if (path.rfind("\\\\?\\", 0) == 0) path = path.substr(4);
  char full[MAX_PATH] = "";
  char* name = nullptr;
  const DWORD n = GetFullPathNameA(path.c_str(), sizeof(full), full, &name);
  if (n == 0 || n >= sizeof(full)) return std::string();
  path = WithBackslash(full);
  return path.size() <= kFieldChars ? path : std::string();
}

// The short (8.3) form of an existing folder, with a trailing backslash: one
// spelling for every way of writing the same folder. Empty when the folder
// does not exist.
std::string ShortFolder(const std::string& folder) {
  char shortPath[MAX_PATH] = "";
  const DWORD n = GetShortPathNameA(folder.c_str(), shortPath, sizeof(shortPath));
  if (n == 0 || n >= sizeof(shortPath)) return std::string();
  return WithBackslash(shortPath);
}

// Why the folder may not be searched whatever it holds, or null.
const char* RefusalOfPlace(const std::string& full) {
  if (full.rfind("\\\\", 0) == 0) return "refused: a network folder";
  if (full.size() <= 3) return "refused: a drive's root";
  return nullptr;
}

// A folder of the full path `full` that is a junction, a mount point or
// another reparse point: it may lead anywhere, Windows' folders included,
// so nothing below it is searched. A part whose attributes cannot be read
// counts as one.
bool PassesReparsePoint(const std::string& full) {
  for (std::size_t slash = full.find('\\', 3); slash != std::string::npos;
       slash = full.find('\\', slash + 1)) {
    const DWORD attributes = GetFileAttributesA(full.substr(0, slash).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return true;
  }
  return false;
}

// `folder` lies directly in `parent` (both end with a backslash).
bool IsChildOf(const std::string& parent, const std::string& folder) {
  return folder.size() > parent.size() && Contains(parent, folder) &&
         folder.find('\\', parent.size()) == folder.size() - 1;
}

// Why the existing folder may not be searched, or null when it may.
// `shortForm` is the folder's short form; the folders it is compared with
// are taken in theirs, so that every spelling of one folder is that folder.
const char* RefusalOfFolder(const std::string& shortForm) {
  const COsVersion os = COsVersion::FromSystem();
  for (const std::string& folder : WindowsFolders(os)) {
    const std::string windows = ShortFolder(folder);
    if (windows.empty()) continue;
    if (Contains(windows, shortForm)) return "refused: a folder of Windows";
    if (Contains(shortForm, windows)) return "refused: a folder that holds Windows";
  }
  for (const std::string& folder : SharedFolders(os)) {
    const std::string shared = ShortFolder(folder);
    if (!shared.empty() && Contains(shortForm, shared))
      return "refused: a folder every program or user shares, or one that holds it";
  }
  const std::string profiles = ShortFolder(ProfilesFolder());
  if (!profiles.empty() && IsChildOf(profiles, shortForm)) return "refused: a user's profile";
  return nullptr;
}

// Deletes through the index what DeleteInTree finds; 1 when one was scheduled.
int DeleteThroughIndex(const COsVersion& os, CFileIndex& index, const std::string& folder,
                       const std::string& name, int depth, bool removeFolders) {
  const CFolderTree& tree = index.Tree(folder, depth);
  if (removeFolders) index.RemoveFoldersOf(folder, depth);
  int scheduled = 0;
  if (const std::vector<std::string>* paths = tree.Find(name))
    for (const std::string& path : *paths) {
      const DeleteResult result = DeleteOrSchedule(os, path.c_str());
      if (result == DeleteResult::kScheduled) scheduled = 1;
      if (result == DeleteResult::kGone) index.NoteDeleted(path);
    }
  return scheduled;
}

void DeleteFromSystemFolders(CRemovalContext& ctx, const std::string& file) {
  const bool xp = ctx.os.VersionCode() == COsVersion::kVersionXP;
  for (const std::string& folder : ctx.systemFolders) {
    if (!IsAbsoluteFolder(folder) || folder.size() + file.size() > kFieldChars) continue;
    const std::string path = folder + file;
    // Windows' own files that no name list can know: those its file
    // protection guards would come back, or be lost at the next start.
    const std::string native = NativePath(ctx.os, path);
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
        Access().SfcIsFileProtectedA(native.c_str())) {
      LogOutcome("delete file", Quoted(native), "refused: Windows protects this file");
      continue;
    }
    ClearReadOnly(path);
    if (xp && folder == ctx.windowsPath) {
      // Windows XP keeps last-known-good copies that are read-only.
      ClearReadOnly(ctx.windowsPath + "LastGood\\System32\\" + file);
      ClearReadOnly(ctx.windowsPath + "LastGood.Tmp\\System32\\" + file);
    }
    if (DeleteOrSchedule(ctx.os, path.c_str()) == DeleteResult::kScheduled)
      ctx.database->restartNeeded = 1;
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

// What one walk of DeleteInTree did.
struct TreeOutcome {
  bool scheduled = false;  // a deletion had to be scheduled
  bool deleted = false;    // a file was deleted now
};

TreeOutcome WalkAndDelete(const COsVersion& os, const std::string& base, const char* name,
                          int depth, bool removeFolders) {
  TreeOutcome outcome;
  WIN32_FIND_DATAA found;
  CFindHandle find(FindFirstFileA((base + "*.*").c_str(), &found));
  if (!find.IsValid()) return outcome;
  do {
    const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!isFolder && EqualNames(found.cFileName, name)) {
      const DeleteResult result = DeleteOrSchedule(os, (base + name).c_str());
      outcome.scheduled |= result == DeleteResult::kScheduled;
      outcome.deleted |= result == DeleteResult::kGone;
    } else if (IsWalkedFolder(found.dwFileAttributes, found.cFileName) && depth > 0) {
      const std::string sub = base + found.cFileName + "\\";
      if (sub.size() > kFieldChars) continue;
      const TreeOutcome inner = WalkAndDelete(os, sub, name, depth - 1, removeFolders);
      outcome.scheduled |= inner.scheduled;
      outcome.deleted |= inner.deleted;
      // Only a folder the walk emptied: one that was empty before stays.
      if (removeFolders && inner.deleted && Access().RemoveDirectoryA(sub.c_str()))
        LogAction("remove folder", Quoted(sub));
    }
  } while (FindNextFileA(find.Get(), &found));
  return outcome;
}

void DeleteFromInstallationFolders(CRemovalContext& ctx, const std::string& name,
                                   CFileIndex* index) {
  for (const std::string& folder : ctx.installationFolders) {
    if (index) {
      if (DeleteThroughIndex(ctx.os, *index, folder, name, kInstallTreeDepth, true))
        ctx.database->restartNeeded = 1;
      continue;
    }
    const TreeOutcome outcome =
        WalkAndDelete(ctx.os, folder, name.c_str(), kInstallTreeDepth, true);
    if (outcome.scheduled) ctx.database->restartNeeded = 1;
    if (outcome.deleted && Access().RemoveDirectoryA(folder.c_str()))  // only when now empty
      LogAction("remove folder", Quoted(folder));
  }
}

// Whether the file `file` may be deleted, from the shared system and driver
// folders and from the installation folders alike (a copy there may be the
// one a driver that stays loads); logs why not.
bool MayDeleteFile(const CRemovalContext& ctx, const std::string& file) {
  if (IsProtectedFileName(file.c_str())) {
    LogOutcome("delete file", Quoted(file), "refused: Windows needs it");
    return false;
  }
  if (!ctx.filesInUse.Complete()) {
    LogOutcome("delete file", Quoted(file),
               "kept: the spooler's lists of the drivers, monitors and print processors that stay could not be read");
    return false;
  }
  if (const std::string* user = ctx.filesInUse.UserOf(file)) {
    LogOutcome("delete file", Quoted(file), ("kept: used by " + *user).c_str());
    return false;
  }
  return true;
}

}  // namespace

bool IsProtectedFileName(const char* name) {
  for (const char* protectedName : kProtectedFiles)
    if (EqualNames(name, protectedName)) return true;
  return false;
}

std::string InstallationFolderOf(const std::string& item, std::string* refusal) {
  if (refusal) refusal->clear();
  if (item.empty() || item.size() > kFieldChars) return std::string();
  // Resolved against the current folder, a relative value would name
  // whatever folder the run happens to be in.
  if (!IsAbsoluteFolder(item)) {
    if (refusal) *refusal = "refused: not an absolute path";
    return std::string();
  }
  std::string folder = item;
  const DWORD attributes = GetFileAttributesA(item.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    folder = folder.substr(0, folder.find_last_of("\\/") + 1);  // the folder of a file
  const std::string full = FullFolder(folder);
  if (full.empty() || !IsAbsoluteFolder(full)) return std::string();
  const char* why = RefusalOfPlace(full);
  std::string shortForm;
  if (!why) {
    shortForm = ShortFolder(full);
    if (shortForm.empty()) return std::string();  // no such folder: nothing to search
    why = PassesReparsePoint(full) ? "refused: a junction or another reparse point"
                                   : RefusalOfFolder(shortForm);
  }
  if (why) {
    if (refusal) *refusal = why;
    return std::string();
  }
  return full;
}

void PrepareFolderPaths(CRemovalContext& ctx) {
  ctx.windowsPath = FolderText(ctx.os, kFolderWindows);
  ctx.driverPath = FolderText(ctx.os, kFolderPrinterDriver);
  ctx.driverSubPath.clear();
  ctx.installationFolders.clear();
  for (const std::string& item : ctx.database->removal.List(kOemFolders)) {
    std::string refusal;
    const std::string folder = InstallationFolderOf(item, &refusal);
    if (!refusal.empty()) LogOutcome("installation folder", Quoted(item), refusal.c_str());
    if (!folder.empty()) ctx.installationFolders.push_back(folder);
  }
  NormaliseList(ctx.installationFolders);  // two spellings of one folder are one folder

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
  std::string path = WithBackslash(ctx.driverPath + sub);
  if (path.size() <= kFieldChars) ctx.driverSubPath = path;
}

void DeleteFileEverywhere(CRemovalContext& ctx, const char* name, CFileIndex* index) {
  if (!name) return;
  const std::string file = FileNameOf(name);
  if (!IsPlainFileName(file) || !MayDeleteFile(ctx, file)) return;
  DeleteFromSystemFolders(ctx, file);
  DeleteFromDriverFolders(ctx, file, index);
  // The installation folders are the maker's own: the whole item is the name
  // (a plain name is its own file name).
  if (IsPlainFileName(name)) DeleteFromInstallationFolders(ctx, name, index);
}

int DeleteInTree(const COsVersion& os, const char* folder, const char* name, int depth,
                 bool removeFolders) {
  const std::string base = WithBackslash(folder ? folder : "");
  if (base.empty()) return 0;
  return WalkAndDelete(os, base, name, depth, removeFolders).scheduled ? 1 : 0;
}

void RemoveFiles(CRemovalContext& ctx) {
  CUninstallDatabase& db = *ctx.database;
  ItemList& files = db.removal.List(kFiles);
  NormaliseList(files);
  // The drivers, monitors and print processors that stay, after their
  // phases; a run that stopped the spooler read them before it did.
  if (!ctx.filesInUse.Collected()) ctx.filesInUse.Collect(ctx.os, ctx.environments);
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
  if (!Access().RemoveDirectoryA(ctx.driverSubPath.c_str())) return 0;
  LogAction("remove folder", Quoted(ctx.driverSubPath));
  return 1;
}

}  // namespace vq
