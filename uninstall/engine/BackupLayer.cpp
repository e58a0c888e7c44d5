#include "uninstall/engine/BackupLayer.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "uninstall/engine/BackupItems.h"
#include "uninstall/engine/DriverRemoval.h"
#include "uninstall/profile/Cp1252.h"
#include "uninstall/profile/NameFolding.h"
#include "uninstall/system/Handles.h"
#include "uninstall/system/SpoolerQueries.h"
#include "uninstall/system/SystemFunctions.h"
#include "uninstall/system/WideText.h"

namespace vq {

namespace {

// A loop over what the system lists must end even if it keeps listing.
constexpr DWORD kMaxListed = 100000;
const char kMonitorsKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
// Folders of a program group are walked this deep.
constexpr int kMaxFolderDepth = 8;


std::string Folder(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }

std::string ViewName(REGSAM view) {
  if (view & KEY_WOW64_64KEY) return "64-bit";
  if (view & KEY_WOW64_32KEY) return "32-bit";
  return std::string();
}

// Every value of an open key: name, type and bytes.
ManifestJson ValuesOf(HKEY key) {
  ManifestJson values = ManifestJson::array();
  DWORD nameChars = 0, dataBytes = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       &nameChars, &dataBytes, nullptr, nullptr) != ERROR_SUCCESS)
    return values;
  std::vector<char> name(nameChars + 2);
  std::vector<BYTE> data(dataBytes + 2);
  for (DWORD i = 0; i < kMaxListed; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    const LONG rc = Access().RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type,
                                           data.data(), &dataSize);
    if (rc != ERROR_SUCCESS) break;
    values.push_back({{"name", AnsiJson(std::string(name.data(), nameSize))},
                      {"type", type},
                      {"data", HexOf(data.data(), dataSize)}});
  }
  return values;
}

// The key and every key below it, parents first: their paths below `key` and their values.
void WalkKey(HKEY key, const std::string& relative, ManifestJson& keys, int depth) {
  keys.push_back({{"path", AnsiJson(relative)}, {"values", ValuesOf(key)}});
  if (depth > 64) return;
  std::vector<std::string> children;
  char name[261];
  for (DWORD i = 0; i < kMaxListed && RegEnumKeyA(key, i, name, sizeof(name)) == ERROR_SUCCESS; ++i)
    children.push_back(name);
  for (const std::string& child : children) {
    HKEY opened;
    if (RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) continue;
    WalkKey(opened, relative.empty() ? child : relative + "\\" + child, keys, depth + 1);
    RegCloseKey(opened);
  }
}

// The level-2 fields of a printer, by its own wide texts (Windows NT) or its ANSI ones.
template <typename Info, typename Text>
ManifestJson PrinterFields(const Info& i, Text text) {
  ManifestJson item = {{"name", text(i.pPrinterName)},
                       {"share", text(i.pShareName)},
                       {"port", text(i.pPortName)},
                       {"driver", text(i.pDriverName)},
                       {"comment", text(i.pComment)},
                       {"location", text(i.pLocation)},
                       {"separatorFile", text(i.pSepFile)},
                       {"printProcessor", text(i.pPrintProcessor)},
                       {"datatype", text(i.pDatatype)},
                       {"parameters", text(i.pParameters)},
                       {"attributes", i.Attributes},
                       {"priority", i.Priority},
                       {"defaultPriority", i.DefaultPriority},
                       {"startTime", i.StartTime},
                       {"untilTime", i.UntilTime}};
  if (i.pDevMode)
    item["devmode"] = HexOf(i.pDevMode, i.pDevMode->dmSize + i.pDevMode->dmDriverExtra);
  return item;
}

// The ANSI function hands string values back in buffers of their wide size
// (as Windows 2000 SP1 does): the bytes up to the string's end are the value.
DWORD AnsiStringDataSize(DWORD type, const BYTE* data, DWORD size) {
  if (!data || (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ)) return size;
  for (DWORD i = 0; i < size; ++i) {
    if (data[i] != 0) continue;
    if (type != REG_MULTI_SZ) return i + 1;
    if (i + 1 < size && data[i + 1] == 0) return i + 2;  // the list ends with an empty string
  }
  return size;
}

// The values of the printer's PrinterDriverData key through
// EnumPrinterDataEx (Windows 2000 and later, and where a system has it):
// false where the system has no such function. `Info`/`Char` pick the
// wide or the ANSI one.
template <typename Info, typename Char>
bool PrinterDataEx(HANDLE printer, const char* function, const Char* key, ManifestJson& data) {
  using Function = DWORD(WINAPI*)(HANDLE, const Char*, LPBYTE, DWORD, LPDWORD, LPDWORD);
  const Function enumerate = FindSystemFunction<Function>("winspool.drv", function);
  if (!enumerate) return false;
  std::vector<BYTE> buffer;
  DWORD count = 0;
  const BOOL listed = QueryWithGrowingBuffer(buffer, [&](BYTE* out, DWORD size, DWORD* needed) {
    const DWORD rc = enumerate(printer, key, out, size, needed, &count);
    // Asked with too small a buffer the function answers ERROR_MORE_DATA.
    SetLastError(rc == ERROR_MORE_DATA ? ERROR_INSUFFICIENT_BUFFER : rc);
    return rc == ERROR_SUCCESS;
  });
  if (!listed) return GetLastError() == ERROR_FILE_NOT_FOUND;  // no such key: no values
  const auto* values = reinterpret_cast<const Info*>(buffer.data());
  count = std::min<DWORD>(count, static_cast<DWORD>(buffer.size() / sizeof(Info)));
  for (DWORD i = 0; i < count; ++i) {
    ManifestJson name;
    DWORD size = values[i].cbData;
    if constexpr (sizeof(Char) == sizeof(wchar_t)) {
      name = WideToUtf8(values[i].pValueName);
    } else {
      name = AnsiJson(values[i].pValueName ? values[i].pValueName : "");
      size = AnsiStringDataSize(values[i].dwType, values[i].pData, size);
    }
    data.push_back({{"name", name}, {"type", values[i].dwType}, {"data", HexOf(values[i].pData, size)}});
  }
  return true;
}

// The printer's data values: EnumPrinterDataEx where the system has it
// (Windows 2000 and later), else EnumPrinterData (both looked up when called).
ManifestJson PrinterData(HANDLE printer, bool wide) {
  ManifestJson data = ManifestJson::array();
  if (wide ? PrinterDataEx<PRINTER_ENUM_VALUESW>(printer, "EnumPrinterDataExW", L"PrinterDriverData", data)
           : PrinterDataEx<PRINTER_ENUM_VALUESA>(printer, "EnumPrinterDataExA", "PrinterDriverData", data))
    return data;
  std::vector<BYTE> name(32768), value(1 << 16);
  for (DWORD i = 0; i < 4096; ++i) {
    DWORD nameSize = 0, type = 0, valueSize = 0;
    DWORD rc;
    if (wide) {
      using Function = DWORD(WINAPI*)(HANDLE, DWORD, LPWSTR, DWORD, LPDWORD, LPDWORD, LPBYTE, DWORD, LPDWORD);
      static const Function enumerate = FindSystemFunction<Function>("winspool.drv", "EnumPrinterDataW");
      if (!enumerate) break;
      rc = enumerate(printer, i, reinterpret_cast<LPWSTR>(name.data()), static_cast<DWORD>(name.size()),
                     &nameSize, &type, value.data(), static_cast<DWORD>(value.size()), &valueSize);
    } else {
      using Function = DWORD(WINAPI*)(HANDLE, DWORD, LPSTR, DWORD, LPDWORD, LPDWORD, LPBYTE, DWORD, LPDWORD);
      static const Function enumerate = FindSystemFunction<Function>("winspool.drv", "EnumPrinterDataA");
      if (!enumerate) break;
      rc = enumerate(printer, i, reinterpret_cast<LPSTR>(name.data()), static_cast<DWORD>(name.size()),
                     &nameSize, &type, value.data(), static_cast<DWORD>(value.size()), &valueSize);
    }
    if (rc != ERROR_SUCCESS) break;
    const std::string text =
        wide ? WideToUtf8(reinterpret_cast<const wchar_t*>(name.data()))
             : Cp1252ToUtf8(reinterpret_cast<const char*>(name.data()));
    data.push_back({{"name", text}, {"type", type}, {"data", HexOf(value.data(), valueSize)}});
  }
  return data;
}

// The user's default printer's name; empty when there is none.
std::string DefaultPrinterName(CAccessLayer& below) {
  char name[1024] = "";
  DWORD size = sizeof(name);
  if (below.GetDefaultPrinterA(name, &size)) return name;
  if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return std::string();
  below.GetProfileStringA("windows", "device", "", name, sizeof(name));
  char* comma = std::strchr(name, ',');
  if (comma) *comma = '\0';
  return name;
}

// A WIN.INI setting as an entry: whether it existed, before and after.
// The text the tool never writes tells an absent key from an empty one.
const char kAbsent[] = "\x01\x02<absent>\x02\x01";

std::string ProfileText(CAccessLayer& below, const char* section, const char* key) {
  char text[4096] = "";
  below.GetProfileStringA(section, key, kAbsent, text, sizeof(text));
  return text;
}

ManifestJson ProfileStringItem(const char* section, const char* key, const std::string& old, const char* value) {
  const bool existed = old != kAbsent;
  return {{"section", AnsiJson(section ? section : "")},
          {"key", AnsiJson(key ? key : "")},
          {"existed", existed},
          {"before", AnsiJson(existed ? old : std::string())},
          {"after", AnsiJson(value ? value : "")},
          {"deleted", value == nullptr}};
}

}  // namespace

CBackupLayer::CBackupLayer(CBackupFolder& folder, const COsVersion& os)
    : folder_(folder), os_(os) {}

bool CBackupLayer::Append(const BackupEntry& entry) {
  if (!folder_.Append(entry)) {
    if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  ++entries_;
  return true;
}

bool CBackupLayer::IsOwnFile(const std::string& path) const {
  return ownFiles_.count(NameKey(path)) != 0;
}

bool CBackupLayer::SaveFileEntry(const std::string& path, bool scheduled) {
  WIN32_FIND_DATAA found;
  CFindHandle find(FindFirstFileA(path.c_str(), &found));
  if (!find.IsValid() || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return true;  // nothing to save
  BackupEntry entry{"file", FileItem(path, found, scheduled, RunsUnderWow64Native(os_, scheduled)), {}};
  BackupFile saved;
  if (!folder_.SaveFile(path, saved)) return false;
  entry.files.push_back(saved);
  return Append(entry);
}

bool CBackupLayer::SaveFolderTree(const std::string& folder, int depth) {
  const std::string base = folder.back() == '\\' ? folder : folder + "\\";
  WIN32_FIND_DATAA found;
  {
    CFindHandle find(FindFirstFileA((base + "*").c_str(), &found));
    if (find.IsValid()) {
      do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // A junction leads out of the tree: it is not followed.
        if (isFolder && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        if (isFolder ? depth < kMaxFolderDepth && !SaveFolderTree(base + name, depth + 1)
                     : !SaveFileEntry(base + name, false))
          return false;
      } while (FindNextFileA(find.Get(), &found));
    }
  }
  // The folder after what it holds: an undo, going backwards, makes it first.
  const DWORD attributes = GetFileAttributesA(base.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  return Append({"folder", {{"path", AnsiJson(base)}, {"attributes", attributes}}, {}});
}

// ---- printers -----------------------------------------------------------------

BOOL CBackupLayer::OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
  if (!CAccessLayer::OpenPrinterA(name, printer, defaults)) return FALSE;
  printers_[*printer] = WideText(name);
  return TRUE;
}

BOOL CBackupLayer::OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  if (!CAccessLayer::OpenPrinterW(name, printer, defaults)) return FALSE;
  printers_[*printer] = name ? name : L"";
  return TRUE;
}

BOOL CBackupLayer::ClosePrinter(HANDLE printer) {
  printers_.erase(printer);
  return CAccessLayer::ClosePrinter(printer);
}

bool CBackupLayer::SavePrinter(HANDLE printer) {
  ManifestJson item;
  std::vector<BYTE> buffer;
  const bool wide = os_.IsNT();
  if (wide) {
    if (!QueryWithGrowingBuffer(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
          return Below().GetPrinterW(printer, 2, data, size, needed);
        }) || buffer.size() < sizeof(PRINTER_INFO_2W))
      return false;
    item = PrinterFields(*reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data()), WideToUtf8);
    std::vector<BYTE> security;
    if (QueryWithGrowingBuffer(security, [&](BYTE* data, DWORD size, DWORD* needed) {
          return Below().GetPrinterW(printer, 3, data, size, needed);
        }) && security.size() >= sizeof(PRINTER_INFO_3)) {
      const PSECURITY_DESCRIPTOR sd = reinterpret_cast<PRINTER_INFO_3*>(security.data())->pSecurityDescriptor;
      if (sd && IsValidSecurityDescriptor(sd))
        item["security"] = HexOf(sd, GetSecurityDescriptorLength(sd));
    }
  } else {
    if (!GetPrinterInfo2(printer, buffer)) return false;
    item = PrinterFields(*reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data()),
                         [](const char* t) { return AnsiJson(t ? t : ""); });
  }
  item["wide"] = wide;
  item["data"] = PrinterData(printer, wide);
  const std::string defaultName = DefaultPrinterName(Below());
  const bool isDefault = !defaultName.empty() &&
                         NameKey(defaultName) == NameKey(AnsiText(printers_[printer].c_str()));
  item["default"] = isDefault;
  if (isDefault) {
    // The user's device line names the default on every Windows; the undo
    // writes back the very line, whatever the system put after the name.
    char device[1024] = "";
    Below().GetProfileStringA("windows", "device", "", device, sizeof(device));
    item["deviceLine"] = AnsiJson(device);
  }
  return Append({"printer", item, {}});
}

bool CBackupLayer::SavePrinterSettings(HANDLE printer, LPBYTE buffer, bool wide) {
  const std::wstring name = printers_[printer];
  if (savedPrinterSettings_.count(NameKey(AnsiText(name.c_str())))) return true;  // the first ones count
  std::vector<BYTE> now;
  ManifestJson before, after;
  if (wide) {
    if (!QueryWithGrowingBuffer(now, [&](BYTE* data, DWORD size, DWORD* needed) {
          return Below().GetPrinterW(printer, 2, data, size, needed);
        }) || now.size() < sizeof(PRINTER_INFO_2W))
      return false;
    before = PrinterFields(*reinterpret_cast<const PRINTER_INFO_2W*>(now.data()), WideToUtf8);
    after = PrinterFields(*reinterpret_cast<const PRINTER_INFO_2W*>(buffer), WideToUtf8);
  } else {
    if (!GetPrinterInfo2(printer, now)) return false;
    auto ansi = [](const char* t) { return AnsiJson(t ? t : ""); };
    before = PrinterFields(*reinterpret_cast<const PRINTER_INFO_2A*>(now.data()), ansi);
    after = PrinterFields(*reinterpret_cast<const PRINTER_INFO_2A*>(buffer), ansi);
  }
  ManifestJson item = {{"name", WideToUtf8(name.c_str())}, {"wide", wide}};
  for (const char* field : {"printProcessor", "datatype", "attributes"}) {
    item["before"][field] = before[field];
    item["after"][field] = after[field];
  }
  if (!Append({"printer settings", item, {}})) return false;
  savedPrinterSettings_.insert(NameKey(AnsiText(name.c_str())));
  return true;
}

BOOL CBackupLayer::SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) {
  if (level == 2 && buffer && !SavePrinterSettings(printer, buffer, false)) return FALSE;
  return CAccessLayer::SetPrinterA(printer, level, buffer, command);
}

BOOL CBackupLayer::SetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) {
  if (level == 2 && buffer && !SavePrinterSettings(printer, buffer, true)) return FALSE;
  return CAccessLayer::SetPrinterW(printer, level, buffer, command);
}

// Deleting the default printer may let the system name another in the
// user's device line (Wine does; so does Windows 10 managing the default):
// that change is the run's too, noted once made, so that an undo tells it
// from a default the user chose since.
BOOL CBackupLayer::DeletePrinter(HANDLE printer) {
  const std::string lineBefore = ProfileText(Below(), "windows", "device");
  if (!SavePrinter(printer)) return FALSE;
  if (!CAccessLayer::DeletePrinter(printer)) return FALSE;
  const std::string lineAfter = ProfileText(Below(), "windows", "device");
  if (lineAfter != lineBefore)
    Append({"profile string",
            ProfileStringItem("windows", "device", lineBefore, lineAfter == kAbsent ? nullptr : lineAfter.c_str()),
            {}});
  return TRUE;
}

BOOL CBackupLayer::DeletePrinterConnectionA(LPSTR name) {
  if (!Append({"printer connection", {{"name", AnsiJson(name ? name : "")}}, {}})) return FALSE;
  return CAccessLayer::DeletePrinterConnectionA(name);
}

// A print job cannot come back: the manifest lists each one deleted.
BOOL CBackupLayer::SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE job, DWORD command) {
  if (command == JOB_CONTROL_DELETE &&
      !Append({"print jobs", {{"printer", WideToUtf8(printers_[printer].c_str())}, {"job", jobId}}, {}}))
    return FALSE;
  return CAccessLayer::SetJobA(printer, jobId, level, job, command);
}


BOOL CBackupLayer::WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value) {
  const std::string old = ProfileText(Below(), section, key);
  if (!Append({"profile string", ProfileStringItem(section, key, old, value), {}})) return FALSE;
  return CAccessLayer::WriteProfileStringA(section, key, value);
}

// ---- drivers, monitors and print processors --------------------------------

bool CBackupLayer::SaveDriver(LPSTR environment, LPSTR driverName) {
  std::vector<BYTE> buffer;
  const DWORD count = EnumerateRecords<DRIVER_INFO_3A>(
      buffer, [&](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return Below().EnumPrinterDriversA(nullptr, environment, 3, data, size, needed, returned);
      });
  const auto* drivers = reinterpret_cast<const DRIVER_INFO_3A*>(buffer.data());
  const DRIVER_INFO_3A* driver = nullptr;
  for (DWORD i = 0; i < count && !driver; ++i)
    if (drivers[i].pName && NameKey(drivers[i].pName) == NameKey(driverName ? driverName : ""))
      driver = &drivers[i];
  if (!driver) return true;  // not installed there: nothing to save
  ManifestJson item = DriverItem(*driver, environment);
  BackupEntry entry{"driver", item, {}};
  for (const std::string& path : DriverFilePaths(*driver)) {
    BackupFile saved;
    if (!PathExists(path)) saved.name.clear();
    else if (!folder_.SaveFile(path, saved)) return false;
    if (saved.name.empty()) continue;
    entry.files.push_back(saved);
    entry.item["saved"].push_back(AnsiJson(path.substr(path.find_last_of('\\') + 1)));
  }
  return Append(entry);
}

BOOL CBackupLayer::DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) {
  if (!SaveDriver(environment, driverName)) return FALSE;
  return CAccessLayer::DeletePrinterDriverA(server, environment, driverName);
}

HRESULT CBackupLayer::DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath,
                                                  LPCSTR environment) {
  // The package's folder in the driver store: its INF and every file beside it.
  const std::string inf = infPath ? infPath : "";
  const std::string folder = Folder(inf);
  BackupEntry entry{"driver package",
                    {{"infPath", AnsiJson(inf)}, {"environment", AnsiJson(environment ? environment : "")}},
                    {}};
  WIN32_FIND_DATAA found;
  CFindHandle find(FindFirstFileA((folder + "*").c_str(), &found));
  if (find.IsValid()) {
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      BackupFile saved;
      if (!folder_.SaveFile(folder + found.cFileName, saved))
        return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
      entry.files.push_back(saved);
      entry.item["saved"].push_back(AnsiJson(found.cFileName));
    } while (FindNextFileA(find.Get(), &found));
  }
  if (!Append(entry)) return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
  return CAccessLayer::DeletePrinterDriverPackageA(server, infPath, environment);
}

BOOL CBackupLayer::DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) {
  std::vector<BYTE> buffer;
  const DWORD count = EnumerateRecords<MONITOR_INFO_2A>(
      buffer, [&](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return Below().EnumMonitorsA(nullptr, 2, data, size, needed, returned);
      });
  const auto* monitors = reinterpret_cast<const MONITOR_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    if (!monitors[i].pName || NameKey(monitors[i].pName) != NameKey(monitorName ? monitorName : ""))
      continue;
    BackupEntry entry{"monitor",
                      {{"name", AnsiJson(monitors[i].pName)},
                       {"environment", AnsiJson(environment ? environment : "")},
                       {"dll", AnsiJson(monitors[i].pDLLName ? monitors[i].pDLLName : "")}},
                      {}};
    const std::string dll = SystemFolderPath(monitors[i].pDLLName ? monitors[i].pDLLName : "");
    BackupFile saved;
    if (!dll.empty() && PathExists(dll)) {
      if (!folder_.SaveFile(dll, saved)) return FALSE;
      entry.files.push_back(saved);
    }
    if (!Append(entry)) return FALSE;
    break;
  }
  // The spooler takes the monitor's key with it: saved after the monitor's
  // entry, so that an undo puts the key back first.
  const std::string key = std::string(kMonitorsKey) + (monitorName ? monitorName : "");
  if (monitorName && *monitorName && !SaveKeyTree(HKEY_LOCAL_MACHINE, key.c_str(), 0)) return FALSE;
  return CAccessLayer::DeleteMonitorA(server, environment, monitorName);
}

BOOL CBackupLayer::DeletePrintProcessorA(LPSTR server, LPSTR environment, LPSTR processorName) {
  char folder[MAX_PATH + 1] = "";
  DWORD needed = 0;
  Below().GetPrintProcessorDirectoryA(nullptr, environment, 1, reinterpret_cast<BYTE*>(folder),
                                      MAX_PATH, &needed);
  folder[MAX_PATH] = '\0';
  const std::string dll = PrintProcessorLibrary(os_, environment, processorName ? processorName : "");
  BackupEntry entry{"print processor",
                    {{"name", AnsiJson(processorName ? processorName : "")},
                     {"environment", AnsiJson(environment ? environment : "")},
                     {"dll", AnsiJson(dll)}},
                    {}};
  const std::string path = folder[0] && !dll.empty() ? std::string(folder) + "\\" + dll : std::string();
  if (!path.empty() && PathExists(path)) {
    BackupFile saved;
    if (!folder_.SaveFile(path, saved)) return FALSE;
    entry.files.push_back(saved);
  }
  if (!Append(entry)) return FALSE;
  const std::string key = PrintProcessorKey(os_, environment, processorName ? processorName : "");
  if (!key.empty() && !SaveKeyTree(HKEY_LOCAL_MACHINE, key.c_str(), 0)) return FALSE;
  return CAccessLayer::DeletePrintProcessorA(server, environment, processorName);
}

// ---- registry -------------------------------------------------------------------

bool CBackupLayer::PlaceOf(HKEY key, KeyPlace& place) const {
  const char* root = RootName(key);
  if (root) {
    place = {root, std::string(), 0};
    return true;
  }
  auto it = keys_.find(key);
  if (it == keys_.end()) return false;
  place = it->second;
  return true;
}

void CBackupLayer::NotePlace(HKEY opened, HKEY parent, LPCSTR subKey, REGSAM view) {
  KeyPlace place;
  if (!PlaceOf(parent, place)) return;
  if (subKey && *subKey) place.path = place.path.empty() ? subKey : place.path + "\\" + subKey;
  if (view) place.view = view;
  keys_[opened] = place;
}

LONG CBackupLayer::RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  const LONG rc = CAccessLayer::RegOpenKeyA(key, subKey, result);
  if (rc == ERROR_SUCCESS) NotePlace(*result, key, subKey, 0);
  return rc;
}

LONG CBackupLayer::RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access,
                                 PHKEY result) {
  const LONG rc = CAccessLayer::RegOpenKeyExA(key, subKey, options, access, result);
  if (rc == ERROR_SUCCESS)
    NotePlace(*result, key, subKey, access & (KEY_WOW64_64KEY | KEY_WOW64_32KEY));
  return rc;
}

LONG CBackupLayer::RegCloseKey(HKEY key) {
  keys_.erase(key);
  return CAccessLayer::RegCloseKey(key);
}

bool CBackupLayer::SaveKeyTree(HKEY key, LPCSTR subKey, REGSAM view) {
  KeyPlace place;
  if (!PlaceOf(key, place)) return false;  // a key of unknown place cannot be put back
  if (subKey && *subKey) place.path = place.path.empty() ? subKey : place.path + "\\" + subKey;
  if (view) place.view = view;
  HKEY opened;
  const LONG rc = Below().RegOpenKeyExA(key, subKey, 0, KEY_READ | view, &opened);
  if (rc == ERROR_FILE_NOT_FOUND) return true;  // nothing to save
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return false;
  }
  ManifestJson keys = ManifestJson::array();
  WalkKey(opened, std::string(), keys, 0);
  Below().RegCloseKey(opened);
  return Append({"registry key",
                 {{"root", place.root}, {"path", AnsiJson(place.path)}, {"view", ViewName(place.view)},
                  {"keys", keys}},
                 {}});
}

LONG CBackupLayer::RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) {
  if (!SaveKeyTree(key, subKey, view)) {
    const DWORD error = GetLastError();
    return error ? static_cast<LONG>(error) : ERROR_WRITE_FAULT;
  }
  return CAccessLayer::RegDeleteKeyExA(key, subKey, view, reserved);
}

LONG CBackupLayer::RegDeleteValueA(HKEY key, LPCSTR valueName) {
  KeyPlace place;
  DWORD type = 0, size = 0;
  const LONG rc = Below().RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size);
  if (rc == ERROR_SUCCESS) {
    if (!PlaceOf(key, place)) return ERROR_WRITE_FAULT;
    std::vector<BYTE> data(size + 2);
    DWORD read = size;
    if (Below().RegQueryValueExA(key, valueName, nullptr, &type, data.data(), &read) != ERROR_SUCCESS)
      return ERROR_WRITE_FAULT;
    if (!Append({"registry value",
                 {{"root", place.root}, {"path", AnsiJson(place.path)}, {"view", ViewName(place.view)},
                  {"name", AnsiJson(valueName ? valueName : "")}, {"type", type},
                  {"data", HexOf(data.data(), read)}},
                 {}}))
      return ERROR_WRITE_FAULT;
  }
  return CAccessLayer::RegDeleteValueA(key, valueName);
}

LONG CBackupLayer::RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type,
                                  const BYTE* data, DWORD size) {
  KeyPlace place;
  if (!PlaceOf(key, place)) return ERROR_WRITE_FAULT;
  DWORD oldType = 0, oldSize = 0;
  const bool existed =
      Below().RegQueryValueExA(key, valueName, nullptr, &oldType, nullptr, &oldSize) == ERROR_SUCCESS;
  std::vector<BYTE> old(oldSize + 2);
  if (existed) Below().RegQueryValueExA(key, valueName, nullptr, &oldType, old.data(), &oldSize);
  ManifestJson item = {{"root", place.root}, {"path", AnsiJson(place.path)},
                       {"view", ViewName(place.view)}, {"name", AnsiJson(valueName ? valueName : "")},
                       {"existed", existed}, {"type", oldType},
                       {"data", existed ? HexOf(old.data(), oldSize) : std::string()},
                       {"newType", type}, {"newData", HexOf(data, size)}};
  if (!Append({"registry value set", item, {}})) return ERROR_WRITE_FAULT;
  return CAccessLayer::RegSetValueExA(key, valueName, reserved, type, data, size);
}

// ---- files and folders -----------------------------------------------------------

BOOL CBackupLayer::DeleteFileA(LPCSTR path) {
  if (path && !IsOwnFile(path) && !SaveFileEntry(path, false)) return FALSE;
  return CAccessLayer::DeleteFileA(path);
}

BOOL CBackupLayer::RemoveDirectoryA(LPCSTR path) {
  const DWORD attributes = path ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
      !Append({"folder", {{"path", AnsiJson(path)}, {"attributes", attributes}}, {}}))
    return FALSE;
  return CAccessLayer::RemoveDirectoryA(path);
}

// A file moved or renamed over another: both places change, unless the
// file is one of the run's own (an INI file's new text taking its place,
// which BeforeFileRewritten saved).
BOOL CBackupLayer::MoveFileA(LPCSTR from, LPCSTR to) {
  if (from && !IsOwnFile(from) && !rewritten_.count(NameKey(from)) && !SaveFileEntry(from, false))
    return FALSE;
  return CAccessLayer::MoveFileA(from, to);
}

BOOL CBackupLayer::MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  if (from && !to && (flags & MOVEFILE_DELAY_UNTIL_REBOOT)) {
    if (!SaveFileEntry(from, true)) return FALSE;
  } else if (from && !IsOwnFile(from) && !rewritten_.count(NameKey(from))) {
    if (!SaveFileEntry(from, false)) return FALSE;
    if (to && (flags & MOVEFILE_REPLACE_EXISTING) && !SaveFileEntry(to, false)) return FALSE;
  }
  return CAccessLayer::MoveFileExA(from, to, flags);
}

BOOL CBackupLayer::SetFileAttributesA(LPCSTR path, DWORD attributes) {
  const DWORD old = path ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
  if (old != INVALID_FILE_ATTRIBUTES && old != attributes && !IsOwnFile(path) &&
      !Append({"attributes", {{"path", AnsiJson(path)}, {"attributes", old}}, {}}))
    return FALSE;
  return CAccessLayer::SetFileAttributesA(path, attributes);
}

BOOL CBackupLayer::SetupUninstallOEMInfA(LPCSTR infFileName, DWORD flags, PVOID reserved) {
  const std::string inf = WindowsInfFolder() + (infFileName ? infFileName : "");
  const std::string pnf = inf.substr(0, inf.find_last_of('.')) + ".pnf";
  BackupEntry entry{"inf copy", {{"name", AnsiJson(infFileName ? infFileName : "")}}, {}};
  for (const std::string& path : {inf, pnf}) {
    if (!PathExists(path)) continue;
    BackupFile saved;
    if (!folder_.SaveFile(path, saved)) return FALSE;
    entry.files.push_back(saved);
    entry.item["saved"].push_back(AnsiJson(path.substr(path.find_last_of('\\') + 1)));
  }
  if (!Append(entry)) return FALSE;
  return CAccessLayer::SetupUninstallOEMInfA(infFileName, flags, reserved);
}

// ---- services ----------------------------------------------------------------------

SC_HANDLE CBackupLayer::OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) {
  SC_HANDLE service = CAccessLayer::OpenServiceA(manager, name, access);
  if (service) services_[service] = name ? name : "";
  return service;
}

BOOL CBackupLayer::CloseServiceHandle(SC_HANDLE handle) {
  services_.erase(handle);
  return CAccessLayer::CloseServiceHandle(handle);
}

BOOL CBackupLayer::DeleteService(SC_HANDLE service) {
  ManifestJson item;
  if (!ServiceItem(service, services_[service], item) || !Append({"service", item, {}})) {
    if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  return CAccessLayer::DeleteService(service);
}

// ---- the journal ------------------------------------------------------------------------

// The file as it was before the run first rewrote it, once; and each time
// the lines it loses, which are all an undo puts back.
bool CBackupLayer::BeforeFileRewritten(const std::string& path, const std::vector<std::string>& removedLines) {
  if (!PathExists(path)) return true;
  ManifestJson removed = ManifestJson::array();
  for (const std::string& line : removedLines) removed.push_back(AnsiJson(line));
  std::vector<BackupFile> files;
  if (!rewritten_.count(NameKey(path))) {
    BackupFile saved;
    if (!folder_.SaveFile(path, saved)) return false;
    files.push_back(saved);
  }
  if (!Append({"ini lines", {{"path", AnsiJson(path)}, {"removed", removed}}, files})) return false;
  rewritten_.insert(NameKey(path));
  return true;
}

bool CBackupLayer::BeforeFileScheduled(const std::string& path) {
  return IsOwnFile(path.c_str()) || SaveFileEntry(path, true);
}

bool CBackupLayer::BeforeFolderTreeGoes(const std::string& folder) {
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  return SaveFolderTree(folder, 0);
}

void CBackupLayer::OwnFile(const std::string& path) { ownFiles_.insert(NameKey(path)); }

void CBackupLayer::CannotRestore(const char* kind, const std::string& item) {
  Append({kind, {{"item", AnsiJson(item)}}, {}});
}

}  // namespace vq
