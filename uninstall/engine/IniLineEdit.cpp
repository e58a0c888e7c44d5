#include "uninstall/engine/IniLineEdit.h"

#include <windows.h>

#include "uninstall/engine/ChangeJournal.h"
#include "uninstall/profile/IniText.h"
#include "uninstall/system/AccessLayer.h"
#include "uninstall/system/Handles.h"

namespace vq {

namespace {

// An INI file is small; anything larger is refused rather than held in memory.
constexpr DWORD kMaxFileBytes = 32u << 20;

// An empty file reads as empty text.
bool ReadAll(HANDLE file, std::string& content) {
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0 ||
      size > kMaxFileBytes)
    return false;
  content.resize(size);
  for (DWORD done = 0; done < size;) {
    DWORD read = 0;
    if (!ReadFile(file, &content[done], size - done, &read, nullptr) || read == 0) return false;
    done += read;
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// The new content of a file, written beside it and then put in its place.
// Deleted again when it never replaced the original.
class CReplacementFile {
 public:
  ~CReplacementFile() {
    if (!path_.empty()) Access().DeleteFileA(path_.c_str());
  }

  bool Write(const std::string& folder, const std::string& content, DWORD attributes) {
    char path[MAX_PATH] = "";
    if (GetTempFileNameA(folder.c_str(), "~~", 0, path) == 0) return false;
    path_ = path;
    Journal().OwnFile(path_);
    CFileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid() || !WriteAll(file.Get(), content)) return false;
    file.Close();
    // Hidden or system marks of the original stay with the file.
    if (attributes != INVALID_FILE_ATTRIBUTES && attributes != FILE_ATTRIBUTE_NORMAL)
      Access().SetFileAttributesA(path, attributes);
    return true;
  }

  bool Replace(const std::string& target) {
    if (Access().MoveFileExA(path_.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      path_.clear();
      return true;
    }
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    return ReplaceThroughBackup(target);
  }

 private:
  // win95, win98, me: no MoveFileExA. The original becomes a backup beside
  // it, the new file takes its name, then the backup goes; a crash in between
  // leaves the whole original in the backup.
  bool ReplaceThroughBackup(const std::string& target) {
    char backup[MAX_PATH] = "";
    if (GetTempFileNameA(FolderOf(target).c_str(), "~b", 0, backup) == 0) return false;
    Journal().OwnFile(backup);
    Access().DeleteFileA(backup);  // the name is reserved; MoveFileA needs it free
    if (!Access().MoveFileA(target.c_str(), backup)) return false;
    if (!Access().MoveFileA(path_.c_str(), target.c_str())) {
      Access().MoveFileA(backup, target.c_str());
      return false;
    }
    path_.clear();
    Access().DeleteFileA(backup);
    return true;
  }

 private:
  std::string path_;
};

}  // namespace

std::size_t FindKeyInSection(const std::string& path, const std::string& section,
                             const std::string& key) {
  std::string content;
  {
    // Only reads: a file another program has open for writing is still looked at.
    CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid() || !ReadAll(file.Get(), content)) return 0;
  }
  const std::vector<TextLine> lines = FindIniEntryLines(content, section, key);
  return lines.empty() ? 0 : lines.front().start;
}

int DeleteLineInSection(const std::string& path, const std::string& section,
                        const std::string& key) {
  // Read and write access with read sharing only: a file another handle holds
  // open without sharing, or writes to, is left alone.
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string content;
  if (!file.IsValid() || !ReadAll(file.Get(), content)) return 0;
  const std::vector<TextLine> lines = FindIniEntryLines(content, section, key);
  if (lines.empty()) return 0;
  // The backup keeps what the file held; without that it stays as it is.
  std::vector<std::string> removed;
  for (const TextLine& line : lines) removed.push_back(content.substr(line.start, line.end - line.start));
  if (!Journal().BeforeFileRewritten(path, removed)) return 0;

  CReplacementFile replacement;
  if (!replacement.Write(FolderOf(path), WithoutLines(content, lines),
                         GetFileAttributesA(path.c_str())))
    return 0;
  file.Close();  // the original cannot be replaced while this handle holds it
  return replacement.Replace(path) ? 1 : 0;
}

bool ReplaceFileContent(const std::string& path, const std::string& content) {
  CReplacementFile replacement;
  return replacement.Write(FolderOf(path), content, GetFileAttributesA(path.c_str())) &&
         replacement.Replace(path);
}

bool AddLineToSection(const std::string& path, const std::string& section,
                      const std::string& line) {
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string content;
  if (!file.IsValid() || !ReadAll(file.Get(), content)) return false;
  const std::string updated = WithLineInSection(content, section, line);
  if (updated.compare(0, content.size(), content) == 0) {
    // Only added at the end: the bytes already there are never rewritten.
    if (SetFilePointer(file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
      return false;
    return WriteAll(file.Get(), updated.substr(content.size()));
  }
  CReplacementFile replacement;
  if (!replacement.Write(FolderOf(path), updated, GetFileAttributesA(path.c_str()))) return false;
  file.Close();  // the original cannot be replaced while this handle holds it
  return replacement.Replace(path);
}

}  // namespace vq
