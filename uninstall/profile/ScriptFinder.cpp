#include "uninstall/profile/ScriptFinder.h"

#include <windows.h>

#include "uninstall/profile/ScriptPaths.h"
#include "uninstall/system/Handles.h"

namespace vq {

const char kScriptFileName[] = "Qunz__02.unm";

namespace {
std::string ProgramFolder() {
  char path[MAX_PATH] = "";
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
  if (n == 0 || n >= sizeof(path)) return std::string();
  std::string folder(path, n);
  std::size_t slash = folder.find_last_of('\\');
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}
}  // namespace

void FindScripts(std::vector<std::string>& paths, const std::string& folder,
                 const std::string& pattern) {
  if (!folder.empty() && SetCurrentDirectoryA(folder.c_str())) {
    std::string prefix = folder;
    if (prefix.back() != '\\') prefix += '\\';
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(pattern.c_str(), &data));
    if (find.IsValid()) {
      do {
        if (data.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY) continue;
        paths.push_back(prefix + data.cFileName);
      } while (FindNextFileA(find.Get(), &data));
    }
  }
  const std::string home = ProgramFolder();
  if (!home.empty()) SetCurrentDirectoryA(home.c_str());
}

std::vector<std::string> CollectScriptPaths(const std::vector<std::string>& folders) {
  std::vector<std::string> found;
  for (const std::string& folder : folders) FindScripts(found, folder, kScriptFileName);
  return OrderScriptPaths(found).read;
}

}  // namespace vq
