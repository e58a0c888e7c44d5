#include "uninstall/engine/ProtectedFolders.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "uninstall/engine/Wow64.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/system/SpoolerHandles.h"
#include "uninstall/system/SystemFunctions.h"

namespace vq {

namespace {

const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// Where Windows records Program Files and Common Files, from Windows 95 on;
// 64-bit Windows records the native ones in the 64-bit view and the x86 ones
// in the 32-bit view and under the "(x86)" names. The shell's CSIDL answers
// for a 32-bit program under WOW64 are the x86 ones only.
const char* const kRecordedFolders[] = {"ProgramFilesDir", "CommonFilesDir", "ProgramFilesDir (x86)",
                                        "CommonFilesDir (x86)"};

const int kSharedShellFolders[] = {CSIDL_PROGRAM_FILES,    CSIDL_PROGRAM_FILES_COMMON,
                                   CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMONX86,
                                   CSIDL_COMMON_APPDATA,   CSIDL_PROFILE};

// A folder text the system filled into `text`, with a trailing backslash;
// empty when it is not terminated within the buffer or names nothing.
std::string TerminatedFolder(char (&text)[MAX_PATH + 1]) {
  text[MAX_PATH] = '\0';
  if (!text[0] || !EnsureTrailingBackslash(text, sizeof(text))) return std::string();
  return text;
}

// The folder of the value `name` of Windows' CurrentVersion key in `view`.
std::string RecordedFolder(const char* name, REGSAM view) {
  CRegKey key;
  if (key.OpenEx(HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_QUERY_VALUE | view) != ERROR_SUCCESS)
    return std::string();
  char text[MAX_PATH + 1] = "";
  DWORD size = MAX_PATH, type = 0;
  if (Access().RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text),
                                &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::string();
  text[size < MAX_PATH ? size : MAX_PATH] = '\0';
  // A "%variable%" would be the environment's; the shell's answer for the
  // same folder is among the others.
  if (std::strchr(text, '%')) return std::string();
  return TerminatedFolder(text);
}

// A folder of the user-profile library (Windows 2000 and later).
std::string ProfileLibraryFolder(const char* function) {
  using Function = BOOL(WINAPI*)(LPSTR, LPDWORD);
  const CModule userenv = LoadSystemLibrary("userenv.dll");
  const Function get = ExportOf<Function>(userenv, function);
  char text[MAX_PATH + 1] = "";
  DWORD size = MAX_PATH;
  if (!get || !get(text, &size)) return std::string();
  return TerminatedFolder(text);
}

void AddIfKnown(std::vector<std::string>& folders, const std::string& folder) {
  if (!folder.empty()) folders.push_back(folder);
}

}  // namespace

std::vector<std::string> WindowsFolders(const COsVersion& os) {
  std::vector<std::string> folders;
  CFileSpec place(os);
  for (int id : {kFolderWindows, kFolderSystem}) {
    place.SetFolder(id);
    AddIfKnown(folders, place.FolderPath());
  }
  AddIfKnown(folders, SystemWindowsFolder());
  AddIfKnown(folders, OtherSystemFolder(os));
  return folders;
}

std::vector<std::string> SharedFolders(const COsVersion& os) {
  std::vector<std::string> folders;
  for (REGSAM view : RegistryViews(os))
    for (const char* name : kRecordedFolders) AddIfKnown(folders, RecordedFolder(name, view));
  CFileSpec place(os);
  for (int csidl : kSharedShellFolders) {
    place.SetShellFolder(csidl);
    AddIfKnown(folders, place.FolderPath());
  }
  AddIfKnown(folders, ProfilesFolder());
  AddIfKnown(folders, ProfileLibraryFolder("GetAllUsersProfileDirectoryA"));
  return folders;
}

std::string ProfilesFolder() { return ProfileLibraryFolder("GetProfilesDirectoryA"); }

}  // namespace vq
