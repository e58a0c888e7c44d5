// Whole-file reading on Windows: the file is opened with no sharing, so a
// script that another program holds open is not read.
#include <windows.h>

#include "uninstall/profile/IniFile.h"
#include "uninstall/system/Handles.h"

namespace vq {

bool ReadWholeFileExclusive(const std::string& path, std::string& content) {
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  DWORD high = 0;
  DWORD low = GetFileSize(file.Get(), &high);
  if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0 || low == 0)
    return false;
  content.resize(low);
  DWORD read = 0;
  if (!ReadFile(file.Get(), &content[0], low, &read, nullptr) || read == 0) return false;
  content.resize(read);
  return true;
}

}  // namespace vq
