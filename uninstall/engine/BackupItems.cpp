#include "uninstall/engine/BackupItems.h"

#include <cstdio>
#include <cstring>

#include "uninstall/engine/DriverRemoval.h"
#include "uninstall/profile/Cp1252.h"
#include "uninstall/system/AccessLayer.h"
#include "uninstall/system/Handles.h"
#include "uninstall/system/SpoolerHandles.h"
#include "uninstall/system/SystemFunctions.h"

namespace vq {

namespace {

std::string FolderOfPath(const std::string& path) {
  return path.substr(0, path.find_last_of('\\') + 1);
}

}  // namespace

ManifestJson AnsiJson(const std::string& text) { return Cp1252ToUtf8(text); }

std::string AnsiOf(const ManifestJson& value) {
  std::string ansi;
  if (!value.is_string() || !Utf8ToCp1252(value.get<std::string>(), ansi)) return std::string();
  return ansi;
}

std::string WideToUtf8(const wchar_t* text) {
  if (!text || !*text) return std::string();
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return std::string();
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], bytes, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(bytes - 1));
  return utf8;
}

std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int chars = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  if (chars <= 1) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(chars), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], chars);
  wide.resize(static_cast<std::size_t>(chars - 1));
  return wide;
}

std::string HexOf(const void* data, std::size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  std::string hex;
  hex.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 0xF];
  }
  return hex;
}

bool BytesOfHex(const std::string& hex, std::string& bytes) {
  if (hex.size() % 2) return false;
  bytes.clear();
  bytes.reserve(hex.size() / 2);
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit(hex[i]), low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes += static_cast<char>(high * 16 + low);
  }
  return true;
}

std::string FileTimeText(const FILETIME& time) {
  char text[24];
  std::snprintf(text, sizeof(text), "%08lx:%08lx", static_cast<unsigned long>(time.dwHighDateTime),
                static_cast<unsigned long>(time.dwLowDateTime));
  return text;
}

bool FileTimeOf(const std::string& text, FILETIME& time) {
  unsigned long high = 0, low = 0;
  char end = 0;
  if (text.size() != 17 || std::sscanf(text.c_str(), "%8lx:%8lx%c", &high, &low, &end) != 2)
    return false;
  time.dwHighDateTime = high;
  time.dwLowDateTime = low;
  return true;
}

ManifestJson FileItem(const std::string& path, const WIN32_FIND_DATAA& found, bool scheduled,
                      bool native) {
  return {{"path", AnsiJson(path)},
          {"attributes", found.dwFileAttributes},
          {"created", FileTimeText(found.ftCreationTime)},
          {"written", FileTimeText(found.ftLastWriteTime)},
          {"scheduled", scheduled},
          {"native", native}};
}

bool RunsUnderWow64Native(const COsVersion& os, bool scheduled) {
  return scheduled && os.Is64BitWindows() && sizeof(void*) == 4;
}

ManifestJson DriverItem(const DRIVER_INFO_3A& d, const char* environment) {
  auto name = [](const char* path) {
    const std::string p = path ? path : "";
    return AnsiJson(p.substr(p.find_last_of('\\') + 1));
  };
  ManifestJson dependents = ManifestJson::array();
  for (const char* f = d.pDependentFiles; f && *f; f += std::strlen(f) + 1) dependents.push_back(name(f));
  return {{"name", AnsiJson(d.pName ? d.pName : "")},
          {"environment", AnsiJson(environment ? environment : "")},
          {"version", d.cVersion},
          {"driverFile", name(d.pDriverPath)},
          {"dataFile", name(d.pDataFile)},
          {"configFile", name(d.pConfigFile)},
          {"helpFile", name(d.pHelpFile)},
          {"dependentFiles", dependents},
          {"monitor", AnsiJson(d.pMonitorName ? d.pMonitorName : "")},
          {"datatype", AnsiJson(d.pDefaultDataType ? d.pDefaultDataType : "")}};
}

std::vector<std::string> DriverFilePaths(const DRIVER_INFO_3A& d) {
  std::vector<std::string> paths;
  const std::string folder = FolderOfPath(d.pDriverPath ? d.pDriverPath : "");
  for (const char* f : {d.pDriverPath, d.pDataFile, d.pConfigFile, d.pHelpFile})
    if (f && *f) paths.push_back(f);
  // Dependent files come as full paths or as names in the driver's folder.
  for (const char* f = d.pDependentFiles; f && *f; f += std::strlen(f) + 1)
    paths.push_back(std::strchr(f, '\\') ? std::string(f) : folder + f);
  return paths;
}

std::string SystemFolderPath(const std::string& name) {
  if (name.empty() || name.find_first_of("\\/:") != std::string::npos) return std::string();
  char folder[MAX_PATH] = "";
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (!length || length >= MAX_PATH) return std::string();
  return std::string(folder) + "\\" + name;
}

std::string WindowsInfFolder() {
  char folder[MAX_PATH] = "";
  const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
  if (!length || length >= MAX_PATH) return std::string();
  std::string path = folder;
  if (path.back() != '\\') path += '\\';
  return path + "inf\\";
}

std::string PrintProcessorLibrary(const COsVersion& os, const char* environment,
                                  const std::string& processor) {
  const std::string key = PrintProcessorKey(os, environment, processor);
  CRegKey opened;
  if (key.empty() || opened.OpenEx(HKEY_LOCAL_MACHINE, key.c_str(), KEY_READ) != ERROR_SUCCESS)
    return std::string();
  char library[MAX_PATH + 1] = "";
  DWORD size = MAX_PATH, type = 0;
  if (RegQueryValueExA(opened.Get(), "Driver", nullptr, &type, reinterpret_cast<BYTE*>(library),
                       &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return std::string();
  library[size < sizeof(library) ? size : sizeof(library) - 1] = '\0';
  return library;
}

const char* RootName(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return "HKLM";
  if (key == HKEY_CURRENT_USER) return "HKCU";
  if (key == HKEY_CLASSES_ROOT) return "HKCR";
  if (key == HKEY_USERS) return "HKU";
  return nullptr;
}

HKEY RootKey(const std::string& name) {
  if (name == "HKLM") return HKEY_LOCAL_MACHINE;
  if (name == "HKCU") return HKEY_CURRENT_USER;
  if (name == "HKCR") return HKEY_CLASSES_ROOT;
  if (name == "HKU") return HKEY_USERS;
  return nullptr;
}

REGSAM ViewOf(const std::string& name) {
  if (name == "64-bit") return KEY_WOW64_64KEY;
  if (name == "32-bit") return KEY_WOW64_32KEY;
  return 0;
}

bool ServiceItem(SC_HANDLE service, const std::string& name, ManifestJson& item) {
  std::vector<BYTE> buffer(8192);
  DWORD needed = 0;
  if (!QueryServiceConfigA(service, reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data()),
                           static_cast<DWORD>(buffer.size()), &needed)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed > (1u << 20)) return false;
    buffer.resize(needed);
    if (!QueryServiceConfigA(service, reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data()),
                             needed, &needed))
      return false;
  }
  const auto* c = reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(buffer.data());
  auto text = [](const char* t) { return AnsiJson(t ? t : ""); };
  ManifestJson dependencies = ManifestJson::array();
  for (const char* d = c->lpDependencies; d && *d; d += std::strlen(d) + 1) dependencies.push_back(text(d));
  item = {{"name", AnsiJson(name)},          {"displayName", text(c->lpDisplayName)},
          {"type", c->dwServiceType},        {"start", c->dwStartType},
          {"errorControl", c->dwErrorControl}, {"binary", text(c->lpBinaryPathName)},
          {"group", text(c->lpLoadOrderGroup)}, {"dependencies", dependencies},
          {"account", text(c->lpServiceStartName)}};
  // SERVICE_CONFIG_DESCRIPTION: Windows 2000 and later.
  using Function = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPBYTE, DWORD, LPDWORD);
  static const Function query = FindSystemFunction<Function>("advapi32.dll", "QueryServiceConfig2A");
  std::vector<BYTE> description(8192);
  if (query && query(service, 1, description.data(), static_cast<DWORD>(description.size()), &needed)) {
    const char* text2 = *reinterpret_cast<char**>(description.data());
    item["description"] = AnsiJson(text2 ? text2 : "");
  }
  return true;
}

}  // namespace vq
