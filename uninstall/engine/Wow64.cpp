#include "uninstall/engine/Wow64.h"

#include "uninstall/profile/SystemFolderPaths.h"
#include "uninstall/system/SystemFunctions.h"

namespace vq {

const char kEnvironmentX64[] = "Windows x64";

namespace {

const char kEnvironmentX86[] = "Windows NT x86";
const char kEnvironment9x[] = "Windows 4.0";

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string SystemWindowsFolder() {
  char folder[MAX_PATH] = "";
  const UINT n = GetSystemDirectoryA(folder, sizeof(folder));
  if (n == 0 || n >= sizeof(folder)) return std::string();
  std::string text = folder;
  const std::size_t slash = text.find_last_of('\\', text.size() - 2);
  if (slash == std::string::npos) return std::string();
  return text.substr(0, slash + 1);
}

bool RunsUnderWow64(const COsVersion& os) { return os.Is64BitWindows() && sizeof(void*) == 4; }

std::vector<const char*> PrintEnvironments(const COsVersion& os) {
  if (!os.Is64BitWindows()) return {nullptr, kEnvironmentX86, kEnvironment9x};
  return {nullptr, kEnvironmentX86, kEnvironmentX64, kEnvironment9x};
}

std::vector<REGSAM> RegistryViews(const COsVersion& os) {
  if (!os.Is64BitWindows()) return {0};
  return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
}

const char* ViewText(REGSAM view) {
  if (view & KEY_WOW64_64KEY) return " (64-bit view)";
  if (view & KEY_WOW64_32KEY) return " (32-bit view)";
  return "";
}

std::string OtherSystemFolder(const COsVersion& os) {
  if (!os.Is64BitWindows()) return std::string();
  std::string folder;
  if (RunsUnderWow64(os)) {
    const std::string windows = SystemWindowsFolder();
    if (!windows.empty()) folder = windows + "Sysnative\\";
  } else {
    using Function = UINT(WINAPI*)(LPSTR, UINT);
    const Function get =
        FindSystemFunction<Function>("kernel32.dll", "GetSystemWow64DirectoryA");
    char text[MAX_PATH] = "";
    const UINT n = get ? get(text, sizeof(text)) : 0;
    if (n > 0 && n < sizeof(text)) folder = std::string(text) + (text[n - 1] == '\\' ? "" : "\\");
  }
  return !folder.empty() && IsFolder(folder) ? folder : std::string();
}

std::string NativePath(const COsVersion& os, const std::string& path) {
  return RunsUnderWow64(os) ? NativeSystemPath(path, SystemWindowsFolder()) : path;
}

CFsRedirectionOff::CFsRedirectionOff(const COsVersion& os) {
  if (!RunsUnderWow64(os)) return;
  using Function = BOOL(WINAPI*)(PVOID*);
  const Function disable =
      FindSystemFunction<Function>("kernel32.dll", "Wow64DisableWow64FsRedirection");
  off_ = disable && disable(&previous_);
}

CFsRedirectionOff::~CFsRedirectionOff() {
  if (!off_) return;
  using Function = BOOL(WINAPI*)(PVOID);
  const Function revert =
      FindSystemFunction<Function>("kernel32.dll", "Wow64RevertWow64FsRedirection");
  if (revert) revert(previous_);
}

}  // namespace vq
