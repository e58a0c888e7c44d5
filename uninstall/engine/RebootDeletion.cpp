#include "uninstall/engine/RebootDeletion.h"

#include "uninstall/engine/ActionLog.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "uninstall/engine/ChangeJournal.h"
#include "uninstall/engine/IniLineEdit.h"
#include "uninstall/engine/Wow64.h"
#include "uninstall/profile/IniText.h"
#include "uninstall/profile/NameFolding.h"
#include "uninstall/system/AccessLayer.h"
#include "uninstall/system/Handles.h"
#include "uninstall/system/SpoolerHandles.h"

namespace vq {

namespace {

// Whether every part of `path` after its drive is an 8.3 name: at most
// eight characters, and after one dot at most three.
bool IsShortPath(const std::string& path) {
  std::size_t start = path.find('\\');
  if (start == std::string::npos) return false;
  for (++start; start <= path.size();) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    const std::size_t dot = part.find('.');
    const std::size_t stem = dot == std::string::npos ? part.size() : dot;
    const std::size_t extension = dot == std::string::npos ? 0 : part.size() - dot - 1;
    if (part.empty() || stem == 0 || stem > 8 || extension > 3 ||
        (dot != std::string::npos && part.find('.', dot + 1) != std::string::npos))
      return false;
    start = end + 1;
  }
  return true;
}

// The path as WININIT reads it. It runs in real mode, before long names are
// available (it ignores lines with long names), and reads the OEM code page,
// the one FAT keeps short names in: the 8.3 form, converted. Empty when the
// file has none (a volume may keep no 8.3 aliases, and GetShortPathName then
// answers with the long path) or a character does not survive the conversion.
std::string WininitPath(const char* path) {
  char shortPath[MAX_PATH] = "";
  const DWORD length = Access().GetShortPathNameA(path, shortPath, sizeof(shortPath));
  if (length == 0 || length >= sizeof(shortPath) || !IsShortPath(shortPath)) return std::string();
  char oem[MAX_PATH] = "", back[MAX_PATH] = "";
  CharToOemA(shortPath, oem);
  OemToCharA(oem, back);
  if (std::strcmp(back, shortPath) != 0) return std::string();
  return oem;
}

// The folder of the tool's own file, with a trailing backslash; empty when
// the path cannot be had.
std::string ToolFolder() {
  char path[MAX_PATH] = "";
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
  if (n == 0 || n >= sizeof(path)) return std::string();
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

}  // namespace

void ClearReadOnly(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    Access().SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}

DeleteResult DeleteOrSchedule(const COsVersion& os, const char* path) {
  if (!path || !*path) return DeleteResult::kGone;
  const std::string shown = Quoted(NativePath(os, path));
  if (Access().DeleteFileA(path)) {
    LogAction("delete file", shown);
    return DeleteResult::kGone;
  }
  const DWORD error = GetLastError();
  if (error < 4) return DeleteResult::kGone;  // no such file or folder: nothing to delete
  // DeleteFileA refuses a folder with access denied; a folder is not this
  // routine's to delete, now or at the next start.
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return DeleteResult::kGone;
  bool scheduled = false;
  const char* failure = nullptr;  // why it could not be scheduled, when known
  // The WININIT files are written past the access layer: the backup saves
  // the file first (the failed delete may have been its save that failed).
  const bool pastTheLayer = os.IsWin32s() || os.IsWin9x() || os.VersionCode() == COsVersion::kVersionNT3;
  if (pastTheLayer && !Journal().BeforeFileScheduled(path)) {
    failure = "its backup could not be written";
  } else {
    switch (os.VersionCode()) {
      case COsVersion::kVersionWin32s:
      case COsVersion::kVersionNT3:
        scheduled = ScheduleZwininit(path) == 1;
        break;
      case COsVersion::kVersion95:
      case COsVersion::kVersion98:
      case COsVersion::kVersionMe:
        scheduled = ScheduleWininit(path, &failure);
        break;
      default: {
        // Windows reads the list at its next start as a 64-bit system: under
        // WOW64 the native path, with redirection off so that it means the same now.
        const std::string native = NativePath(os, path);
        CFsRedirectionOff redirectionOff(os);
        scheduled = Access().MoveFileExA(native.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
        break;
      }
    }
  }
  const std::string inUse = "in use (error " + std::to_string(error) + ")";
  if (!scheduled) {
    // Nothing will delete it: no restart is asked for on its account.
    const std::string why = failure ? std::string(": ") + failure : std::string();
    LogOutcome("delete file", shown, (inUse + ", scheduling failed" + why).c_str());
    return DeleteResult::kFailed;
  }
  LogOutcome("delete file", shown, (inUse + ", scheduled for the next start").c_str());
  return DeleteResult::kScheduled;
}

bool ScheduleWininit(const char* path, const char** failure) {
  const char* unused = nullptr;
  if (!failure) failure = &unused;
  const std::string wininitPath = WininitPath(path);
  if (wininitPath.empty()) {
    *failure = "no 8.3 name that WININIT can read";
    return false;
  }
  if (Access().ChangesNothing()) return true;
  char folder[MAX_PATH] = "";
  UINT n = GetWindowsDirectoryA(folder, sizeof(folder));
  if (n == 0 || n >= sizeof(folder)) {
    *failure = "no Windows folder";
    return false;
  }
  std::string wininit = folder;
  if (wininit.back() != '\\') wininit += '\\';
  wininit += "WININIT.INI";
  // One [rename] section: a line goes into the one there is.
  if (!AddLineToSection(wininit, "RENAME", "NUL=" + wininitPath)) {
    *failure = "WININIT.INI could not be written";
    return false;
  }
  return true;
}

int ScheduleZwininit(const char* path) {
  const std::string folder = ToolFolder();
  if (folder.empty()) return 0;
  const std::string program = folder + "zwininit.exe", list = folder + "zwininit.ini";
  {
    // Shared for reading too, so that a running zwininit still counts as present.
    CFileHandle exe(CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!exe.IsValid()) return 0;
  }
  if (Access().ChangesNothing()) return 1;
  return WritePrivateProfileStringA("RENAME", path, "NUL", list.c_str()) ? 1 : 0;
}

namespace {

const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";

// Windows NT: the pairs of PendingFileRenameOperations ("\\??\\path", then
// an empty target for a deletion) without the deletion of `path`.
bool CancelInPendingOperations(const std::string& path) {
  CRegKey key;
  if (key.OpenEx(HKEY_LOCAL_MACHINE, kSessionManagerKey, KEY_QUERY_VALUE | KEY_SET_VALUE) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.Get(), kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ || size == 0 || size > (1u << 24))
    return false;
  std::string data(size, '\0');
  if (RegQueryValueExA(key.Get(), kPendingValue, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                       &size) != ERROR_SUCCESS)
    return false;
  data.resize(size);
  std::vector<std::string> texts;
  for (std::size_t start = 0; start < data.size();) {
    const std::size_t zero = data.find('\0', start);
    const std::size_t end = zero == std::string::npos ? data.size() : zero;
    texts.push_back(data.substr(start, end - start));
    start = end + 1;
  }
  while (!texts.empty() && texts.back().empty()) texts.pop_back();  // the list's own end
  if (texts.size() % 2) texts.push_back(std::string());
  std::string kept;
  bool cancelled = false;
  for (std::size_t i = 0; i + 1 < texts.size(); i += 2) {
    std::string source = texts[i];
    if (source.rfind("\\??\\", 0) == 0) source = source.substr(4);
    if (texts[i + 1].empty() && NameKey(source) == NameKey(path)) {
      cancelled = true;
      continue;
    }
    kept += texts[i] + '\0' + texts[i + 1] + '\0';
  }
  if (!cancelled) return false;
  if (kept.empty()) return RegDeleteValueA(key.Get(), kPendingValue) == ERROR_SUCCESS;
  kept += '\0';
  return RegSetValueExA(key.Get(), kPendingValue, 0, REG_MULTI_SZ,
                        reinterpret_cast<const BYTE*>(kept.data()),
                        static_cast<DWORD>(kept.size())) == ERROR_SUCCESS;
}

// Windows 9x: WININIT.INI without the [rename] line that deletes `path`.
bool CancelInWininit(const std::string& path) {
  const std::string line = "NUL=" + WininitPath(path.c_str());
  char folder[MAX_PATH] = "";
  const UINT n = GetWindowsDirectoryA(folder, sizeof(folder));
  if (line.size() == 4 || n == 0 || n >= sizeof(folder)) return false;
  std::string wininit = folder;
  if (wininit.back() != '\\') wininit += '\\';
  wininit += "WININIT.INI";
  bool read = false;
  const std::string text = ReadWholeFile(wininit, read);
  if (!read) return false;
  // The lines of [rename] that are this one, whatever their case.
  std::vector<TextLine> lines;
  bool inRename = false;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string content = text.substr(start, end - start);
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r' || content.back() == ' '))
      content.pop_back();
    if (!content.empty() && content[0] == '[') inRename = NameKey(content) == NameKey("[rename]");
    else if (inRename && NameKey(content) == NameKey(line)) lines.push_back({start, end});
    start = end;
  }
  if (lines.empty()) return false;
  return ReplaceFileContent(wininit, WithoutLines(text, lines));
}

// Win32s and NT 3.x: zwininit.ini without the entry of `path`.
bool CancelInZwininit(const std::string& path) {
  const std::string folder = ToolFolder();
  if (folder.empty()) return false;
  const std::string list = folder + "zwininit.ini";
  char value[16] = "";
  if (!GetPrivateProfileStringA("RENAME", path.c_str(), "", value, sizeof(value), list.c_str()))
    return false;
  return WritePrivateProfileStringA("RENAME", path.c_str(), nullptr, list.c_str()) != FALSE;
}

}  // namespace

bool CancelPendingDeletion(const COsVersion& os, const std::string& path) {
  switch (os.VersionCode()) {
    case COsVersion::kVersionWin32s:
    case COsVersion::kVersionNT3:
      return CancelInZwininit(path);
    case COsVersion::kVersion95:
    case COsVersion::kVersion98:
    case COsVersion::kVersionMe:
      return CancelInWininit(path);
    default:
      return CancelInPendingOperations(path);
  }
}

}  // namespace vq
