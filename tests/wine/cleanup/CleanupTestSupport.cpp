#include "tests/wine/cleanup/CleanupTestSupport.h"

#include "tests/wine/core/WineTestSupport.h"

#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/profile/FileSpec.h"

namespace cleanup_test {

namespace {
const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";

std::string Folder(vq::FolderId id) {
  vq::CFileSpec place;
  place.SetFolder(id);
  return place.FolderPath();
}
}  // namespace

TestRun::TestRun(const vq::COsVersion& os) {
  ctx.database = &db;
  ctx.os = os;
  for (vq::FolderId id : {vq::kFolderSystem, vq::kFolderWindows, vq::kFolderColor})
    ctx.systemFolders.push_back(Folder(id));
  for (vq::FolderId id : {vq::kFolderPrinterDriver, vq::kFolderPrintProcessor,
                          vq::kFolderPrinterDriverW40, vq::kFolderPrintProcessorW40})
    ctx.driverFolders.push_back(Folder(id));
  vq::NormaliseList(ctx.systemFolders);
  vq::NormaliseList(ctx.driverFolders);
  ctx.driverDirectory = Folder(vq::kFolderPrinterDriver);
}

vq::COsVersion Win32s() { return vq::COsVersion(vq::COsVersion::kPlatformWin32s, vq::COsVersion::kVersionWin32s); }
vq::COsVersion Win98() { return vq::COsVersion(vq::COsVersion::kPlatformWin9x, vq::COsVersion::kVersion98); }
vq::COsVersion WinXP() { return vq::COsVersion(vq::COsVersion::kPlatformNT, vq::COsVersion::kVersionXP); }

std::string WindowsFolder() { return Folder(vq::kFolderWindows); }
std::string SystemFolder() { return Folder(vq::kFolderSystem); }
std::string DriverFolder() { return Folder(vq::kFolderPrinterDriver); }
std::string ToolFolder() { return Folder(vq::kFolderProgram); }

bool WriteText(const std::string& path, const std::string& text) { return WriteFileText(path, text); }

std::string ReadText(const std::string& path) { return ReadFileText(path); }

bool FolderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateFiles(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    vq::fixture::CreateFolderPath(path.substr(0, path.find_last_of('\\') + 1));
    WriteText(path, "test file " + path + "\r\n");
  }
}

CHeldFile::CHeldFile(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}
CHeldFile::~CHeldFile() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

std::vector<std::string> PendingDeletions() {
  std::vector<std::string> paths;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return paths;
  DWORD size = 0;
  if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) ==
          ERROR_SUCCESS &&
      size) {
    std::vector<char> data(size + 2, '\0');
    RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                     reinterpret_cast<BYTE*>(data.data()), &size);
    // Pairs of source and target, each ended by a zero; a deletion has an
    // empty target.
    for (const char* p = data.data(); p < data.data() + size && *p;) {
      std::string source = p;
      p += source.size() + 1;
      std::string target = p < data.data() + size ? p : "";
      p += target.size() + 1;
      if (source.rfind("\\??\\", 0) == 0) source = source.substr(4);
      if (target.empty()) paths.push_back(source);
    }
  }
  RegCloseKey(key);
  return paths;
}

void ClearPendingDeletions() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return;
  RegDeleteValueA(key, "PendingFileRenameOperations");
  RegCloseKey(key);
}

}  // namespace cleanup_test
