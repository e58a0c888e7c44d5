#include "uninstall/engine/FilesInUse.h"

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstring>

#include "uninstall/engine/ActionLog.h"
#include "uninstall/engine/DriverRemoval.h"
#include "uninstall/profile/NameFolding.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/SpoolerQueries.h"

namespace vq {

namespace {

char* Text(const char* s) { return const_cast<char*>(s); }

// The records of a spooler list, like EnumerateRecords, but false when the
// spooler could not list them. An environment this system does not have
// holds nothing: that is an empty list, not a failure.
template <typename Record, typename Enumerate>
bool ListRecords(std::vector<BYTE>& buffer, DWORD& count, Enumerate enumerate) {
  count = 0;
  const BOOL ok = QueryWithGrowingBuffer(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
    return enumerate(data, size, needed, &count);
  });
  if (!ok) {
    count = 0;
    return GetLastError() == ERROR_INVALID_ENVIRONMENT;
  }
  count = std::min<DWORD>(count, static_cast<DWORD>(buffer.size() / sizeof(Record)));
  return true;
}

std::string EnvironmentName(const char* environment) {
  return environment && *environment ? environment : "current";
}

// The name key of a file's name without its folder.
std::string FoldedName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/:");
  return NameKey(slash == std::string::npos ? path : path.substr(slash + 1));
}

}  // namespace

void CFilesInUse::Add(const std::string& path, const std::string& user) {
  const std::string name = FoldedName(path);
  if (!name.empty()) users_.emplace(name, user);  // the first user is the one logged
}

const std::string* CFilesInUse::UserOf(const std::string& name) const {
  auto it = users_.find(FoldedName(name));
  return it == users_.end() ? nullptr : &it->second;
}

void CFilesInUse::Collect(const COsVersion& os, const std::vector<const char*>& environments) {
  Clear();
  collected_ = true;
  for (const char* environment : environments) {
    complete_ &= CollectDrivers(environment);
    complete_ &= CollectProcessors(os, environment);
  }
  complete_ &= CollectMonitors();
}

bool CFilesInUse::CollectDrivers(const char* environment) {
  std::vector<BYTE> buffer;
  DWORD count = 0;
  if (!ListRecords<DRIVER_INFO_3A>(buffer, count, [&](BYTE* data, DWORD size, DWORD* needed,
                                                       DWORD* returned) {
        return Access().EnumPrinterDriversA(nullptr, Text(environment), 3, data, size, needed,
                                            returned);
      }))
    return false;
  const DRIVER_INFO_3A* drivers = reinterpret_cast<const DRIVER_INFO_3A*>(buffer.data());
  const char* const begin = reinterpret_cast<const char*>(buffer.data());
  const char* const end = begin + buffer.size();
  for (DWORD i = 0; i < count; ++i) {
    const DRIVER_INFO_3A& d = drivers[i];
    const std::string user =
        "driver " + Quoted(d.pName ? d.pName : "") + " (" + EnvironmentName(environment) + ")";
    for (const char* file : {d.pDriverPath, d.pDataFile, d.pConfigFile, d.pHelpFile})
      if (file) Add(file, user);
    // The dependent files: texts one after the other, ended by an empty one,
    // all inside the buffer the spooler filled.
    for (const char* file = d.pDependentFiles; file && file >= begin && file < end && *file;) {
      const void* zero = std::memchr(file, '\0', static_cast<std::size_t>(end - file));
      if (!zero) break;
      const std::string name(file, static_cast<const char*>(zero));
      Add(name, user);
      file += name.size() + 1;
    }
  }
  return true;
}

bool CFilesInUse::CollectMonitors() {
  std::vector<BYTE> buffer;
  DWORD count = 0;
  if (!ListRecords<MONITOR_INFO_2A>(buffer, count, [&](BYTE* data, DWORD size, DWORD* needed,
                                                        DWORD* returned) {
        return Access().EnumMonitorsA(nullptr, 2, data, size, needed, returned);
      }))
    return false;
  const MONITOR_INFO_2A* monitors = reinterpret_cast<const MONITOR_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i)
    if (monitors[i].pDLLName)
      Add(monitors[i].pDLLName, "monitor " + Quoted(monitors[i].pName ? monitors[i].pName : ""));
  return true;
}

// A print processor's library is the "Driver" value of its key.
bool CFilesInUse::CollectProcessors(const COsVersion& os, const char* environment) {
  std::vector<BYTE> buffer;
  DWORD count = 0;
  if (!ListRecords<PRINTPROCESSOR_INFO_1A>(buffer, count, [&](BYTE* data, DWORD size,
                                                               DWORD* needed, DWORD* returned) {
        return Access().EnumPrintProcessorsA(nullptr, Text(environment), 1, data, size, needed,
                                             returned);
      }))
    return false;
  std::vector<std::string> processors;
  const auto* records = reinterpret_cast<const PRINTPROCESSOR_INFO_1A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i)
    if (records[i].pName && records[i].pName[0]) processors.push_back(records[i].pName);
  for (const std::string& processor : processors) {
    const std::string user =
        "print processor " + Quoted(processor) + " (" + EnvironmentName(environment) + ")";
    const std::string key = PrintProcessorKey(os, environment, processor);
    CRegKey opened;
    if (key.empty() || opened.OpenEx(HKEY_LOCAL_MACHINE, key.c_str(), KEY_READ) != ERROR_SUCCESS)
      continue;
    char library[MAX_PATH + 1] = "";
    DWORD size = MAX_PATH, type = 0;
    if (Access().RegQueryValueExA(opened.Get(), "Driver", nullptr, &type,
                                  reinterpret_cast<BYTE*>(library), &size) == ERROR_SUCCESS &&
        type == REG_SZ) {
      library[size < sizeof(library) ? size : sizeof(library) - 1] = '\0';
      Add(library, user);
    }
  }
  return true;
}

}  // namespace vq
