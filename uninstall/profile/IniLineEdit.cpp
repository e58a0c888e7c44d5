#include "uninstall/profile/IniLineEdit.h"

#include <windows.h>

#include "uninstall/engine/Handles.h"
#include "uninstall/engine/SystemFunctions.h"
#include "uninstall/profile/TextRoutines.h"

namespace vq {

namespace {

// An INI file is small; anything larger is refused rather than held in memory.
constexpr DWORD kMaxFileBytes = 32u << 20;

bool ReadAll(HANDLE file, std::string& content) {
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0 || size == 0 ||
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

bool WriteAll(HANDLE file, const std::string& content) {
  for (std::size_t done = 0; done < content.size();) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(content.size() - done);
    if (!WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return FlushFileBuffers(file) != FALSE;
}

bool WithinLimits(const std::string& section, const std::string& key) {
  return section.size() <= kIniEditSectionChars && !key.empty() && key.size() <= kIniEditKeyChars;
}

// First place in text[from, to) where `needle` stands whole, without regard
// to case; npos when there is none.
std::size_t FindNoCase(const std::string& text, const std::string& needle, std::size_t from,
                       std::size_t to) {
  if (to > text.size() || needle.size() > to) return std::string::npos;
  for (std::size_t pos = from; pos + needle.size() <= to; ++pos) {
    std::size_t i = 0;
    while (i < needle.size() && FoldCase(static_cast<unsigned char>(text[pos + i])) ==
                                    FoldCase(static_cast<unsigned char>(needle[i])))
      ++i;
    if (i == needle.size()) return pos;
  }
  return std::string::npos;
}

// First place in text[from, to) where `key` stands and is not directly
// preceded by ';' (a commented-out entry); npos when there is none. `from`
// must be past the start of the text.
std::size_t FindUncommented(const std::string& text, const std::string& key, std::size_t from,
                            std::size_t to) {
  for (;;) {
    const std::size_t pos = FindNoCase(text, key, from, to);
    if (pos == std::string::npos || text[pos - 1] != ';') return pos;
    from = pos + 1;
  }
}

// Offset of the first byte of the line that holds `pos`.
std::size_t LineStart(const std::string& content, std::size_t pos) {
  const std::size_t end = content.find_last_of("\r\n", pos == 0 ? 0 : pos - 1);
  return (pos == 0 || end == std::string::npos) ? 0 : end + 1;
}

// Offset just past the first "[section]" header, or npos.
std::size_t HeaderEnd(const std::string& content, const std::string& section) {
  const std::string header = "[" + section + "]";
  const std::size_t pos = FindNoCase(content, header, 0, content.size());
  return pos == std::string::npos ? pos : pos + header.size();
}

// Offset just past the end of the line that holds `from`: after its CR LF,
// LF or lone CR, or the end of the file.
std::size_t PastLineEnd(const std::string& content, std::size_t from) {
  const std::size_t end = content.find_first_of("\r\n", from);
  if (end == std::string::npos) return content.size();
  if (content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n') return end + 2;
  return end + 1;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// The new content of a file, written beside it and moved over it in one step.
// Deleted again when it never replaced the original.
class CReplacementFile {
 public:
  ~CReplacementFile() {
    if (!path_.empty()) DeleteFileA(path_.c_str());
  }

  bool Write(const std::string& folder, const std::string& content, DWORD attributes) {
    char path[MAX_PATH] = "";
    if (GetTempFileNameA(folder.c_str(), "~~", 0, path) == 0) return false;
    path_ = path;
    CFileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid() || !WriteAll(file.Get(), content)) return false;
    file.Close();
    // Hidden or system marks of the original stay with the file.
    if (attributes != INVALID_FILE_ATTRIBUTES && attributes != FILE_ATTRIBUTE_NORMAL)
      SetFileAttributesA(path, attributes);
    return true;
  }

  bool Replace(const std::string& target) {
    if (!MoveFileExIfPresent(path_.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return false;
    path_.clear();
    return true;
  }

 private:
  std::string path_;
};

}  // namespace

std::size_t FindKeyInSection(const std::string& path, const std::string& section,
                             const std::string& key) {
  if (!WithinLimits(section, key)) return 0;
  std::string content;
  {
    // Only reads: a file another program has open for writing is still looked at.
    CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid() || !ReadAll(file.Get(), content)) return 0;
  }
  const std::size_t start = HeaderEnd(content, section);
  if (start == std::string::npos) return 0;
  std::size_t end = content.find('[', start);
  if (end == std::string::npos) end = content.size();
  const std::size_t pos = FindUncommented(content, key, start, end);
  return pos == std::string::npos ? 0 : pos;  // never 0 when found: the header precedes it
}

int DeleteLineInSection(const std::string& path, const std::string& section,
                        const std::string& key) {
  if (!WithinLimits(section, key)) return 0;
  // Read and write access with read sharing only: a file another handle holds
  // open without sharing, or writes to, is left alone.
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string content;
  if (!file.IsValid() || !ReadAll(file.Get(), content)) return 0;
  const std::size_t header = HeaderEnd(content, section);
  if (header == std::string::npos) return 0;
  // The search runs to the end of the file, past the next section. It skips
  // commented-out places, as FindKeyInSection does, so the line deleted is the
  // one that routine found; and the whole line goes, so that no part of it
  // (a ';', leading text) is joined to the next line and changes that entry.
  const std::size_t start = PastLineEnd(content, header);
  const std::size_t pos = FindUncommented(content, key, start, content.size());
  if (pos == std::string::npos) return 0;
  const std::string changed =
      content.substr(0, LineStart(content, pos)) + content.substr(PastLineEnd(content, pos));

  CReplacementFile replacement;
  if (!replacement.Write(FolderOf(path), changed, GetFileAttributesA(path.c_str()))) return 0;
  file.Close();  // the original cannot be replaced while this handle holds it
  return replacement.Replace(path) ? 1 : 0;
}

}  // namespace vq
