#include "uninstall/engine/RebootDeletion.h"

#include "uninstall/engine/ActionLog.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "uninstall/engine/Wow64.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/AccessLayer.h"
#include "uninstall/system/Handles.h"

namespace vq {

namespace {

// WININIT.INI is a short list; a larger file is not read through, and the
// section header is then always written (a repeated header is harmless, a
// line in the wrong section is lost).
constexpr DWORD kWininitReadLimit = 1 << 20;

bool WriteText(HANDLE file, const std::string& text) {
  DWORD written = 0;
  return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

// Whether the last section header of `text` is "[RENAME]".
bool EndsInRenameSection(const std::string& text) {
  std::size_t lineStart = 0;
  std::string lastHeader;
  while (lineStart < text.size()) {
    std::size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    std::size_t first = text.find_first_not_of(" \t", lineStart);
    if (first < lineEnd && text[first] == '[') {
      std::size_t close = text.find(']', first);
      if (close < lineEnd) lastHeader = text.substr(first + 1, close - first - 1);
    }
    lineStart = lineEnd + 1;
  }
  return EqualNoCase(lastHeader, "RENAME");
}

std::string ReadAll(HANDLE file, bool& complete) {
  complete = false;
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);  // GetFileSizeEx: Windows 2000 and later
  if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0 ||
      size > kWininitReadLimit)
    return std::string();
  std::string text(size, '\0');
  DWORD read = 0;
  if (!text.empty() && (!ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr) ||
                        read != text.size()))
    return std::string();
  complete = true;
  return text;
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
  bool scheduled;
  switch (os.VersionCode()) {
    case COsVersion::kVersionWin32s:
    case COsVersion::kVersionNT3:
      scheduled = ScheduleZwininit(path) == 1;
      break;
    case COsVersion::kVersion95:
    case COsVersion::kVersion98:
    case COsVersion::kVersionMe:
      scheduled = ScheduleWininit(path);
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
  const std::string inUse = "in use (error " + std::to_string(error) + ")";
  if (!scheduled) {
    // Nothing will delete it: no restart is asked for on its account.
    LogOutcome("delete file", shown, (inUse + ", scheduling failed").c_str());
    return DeleteResult::kFailed;
  }
  LogOutcome("delete file", shown, (inUse + ", scheduled for the next start").c_str());
  return DeleteResult::kScheduled;
}

bool ScheduleWininit(const char* path) {
  if (Access().ChangesNothing()) return true;
  char folder[MAX_PATH] = "";
  UINT n = GetWindowsDirectoryA(folder, sizeof(folder));
  if (n == 0 || n >= sizeof(folder)) return false;
  std::string wininit = folder;
  if (wininit.back() != '\\') wininit += '\\';
  wininit += "WININIT.INI";
  CFileHandle file(CreateFileA(wininit.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  std::string out;
  if (existed) {
    bool complete = false;
    const std::string text = ReadAll(file.Get(), complete);
    // A last line without its line end would swallow the new line.
    if (complete && !text.empty() && text.back() != '\n') out += "\r\n";
    if (!complete || !EndsInRenameSection(text)) out += "[RENAME]\r\n";
  } else {
    out += "[RENAME]\r\n";
  }
  // WININIT runs before long file names are available: the short form.
  char shortPath[MAX_PATH] = "";
  const DWORD shortLength = GetShortPathNameA(path, shortPath, sizeof(shortPath));
  out += "NUL=";
  out += (shortLength > 0 && shortLength < sizeof(shortPath)) ? shortPath : path;
  out += "\r\n";
  if (SetFilePointer(file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR)
    return false;
  return WriteText(file.Get(), out);
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

}  // namespace vq
