#include "uninstall/profile/PrinterInventory.h"

#include <cstring>

#include "uninstall/profile/PrinterFilter.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/SpoolerHandles.h"
#include "uninstall/system/SpoolerQueries.h"
#include "uninstall/system/WideText.h"

namespace vq {

const char kMakerMarkValue[] = "QuillanDriver02";
const char kDisguiseMarkValue[] = "VezzPrinter";

namespace {

// Text of a zero-terminated field the spooler returned, cut to 259
// characters; `cut` reports whether it was longer.
std::string BoundedField(const char* text, bool& cut) {
  if (!text) return std::string();
  std::size_t len = strnlen(text, kFieldChars + 1);
  if (len > kFieldChars) {
    cut = true;
    len = kFieldChars;
  }
  return std::string(text, len);
}

DWORD EnumLevel(const COsVersion& os) {
  if (os.IsNT()) return 4;
  if (os.IsWin9x()) return 5;
  return 2;
}

const char* EntryName(const BYTE* entries, DWORD level, DWORD i) {
  switch (level) {
    case 4: return reinterpret_cast<const PRINTER_INFO_4A*>(entries)[i].pPrinterName;
    case 5: return reinterpret_cast<const PRINTER_INFO_5A*>(entries)[i].pPrinterName;
    default: return reinterpret_cast<const PRINTER_INFO_2A*>(entries)[i].pPrinterName;
  }
}

std::string DefaultPrinterName() {
  char device[256] = "";
  Access().GetProfileStringA("windows", "device", "", device, sizeof(device));
  char* comma = std::strchr(device, ',');
  if (comma) *comma = '\0';
  return device;
}

std::string ComputerName(const COsVersion& os) {
  if (os.IsWin32s()) return std::string();
  char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
  DWORD size = sizeof(name);
  if (!GetComputerNameA(name, &size)) return std::string();
  return name;
}

// Reads a printer-data value into a 256-byte buffer; true when it exists.
bool ReadPrinterData(HANDLE printer, const char* valueName, std::string* text) {
  BYTE data[256] = {};
  DWORD type = 0, needed = 0;
  DWORD rc = Access().GetPrinterDataA(printer, const_cast<char*>(valueName), &type, data,
                                      sizeof(data) - 1, &needed);
  if (rc != ERROR_SUCCESS) return false;
  if (text) *text = reinterpret_cast<const char*>(data);  // data[255] stays 0
  return true;
}

// A printer as the spooler's level-2 list gives it, its name as the ANSI
// functions spell it.
struct ListedPrinter {
  std::string name, driver, server;
  int32_t isDefault = 0;
};

template <typename Info, typename Text>
ListedPrinter Listed(const Info& info, Text text) {
  return {text(info.pPrinterName), text(info.pDriverName), text(info.pServerName),
          (info.Attributes & PRINTER_ATTRIBUTE_DEFAULT) ? 1 : 0};
}

// Every local printer and connection with its driver: through the wide list
// on the NT family, else the ANSI one.
std::vector<ListedPrinter> ListPrintersWithDrivers(const COsVersion& os) {
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  std::vector<ListedPrinter> listed;
  std::vector<BYTE> buffer;
  if (os.IsNT()) {
    const DWORD count = EnumerateRecords<PRINTER_INFO_2W>(
        buffer, [&](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
          return Access().EnumPrintersW(flags, nullptr, 2, data, size, needed, returned);
        });
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) listed.push_back(Listed(info[i], AnsiText));
    if (count > 0) return listed;
  }
  const DWORD count = EnumPrinterInfo2(flags, buffer);
  const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i)
    listed.push_back(Listed(info[i], [](const char* t) { return std::string(t ? t : ""); }));
  return listed;
}

class CInventoryBuild {
 public:
  CInventoryBuild(std::vector<CPrinterRecord>& printers, const COsVersion& os,
                  const CommandLineOptions& options)
      : printers_(printers), os_(os), options_(options) {}

  InventoryResult Run() {
    InventoryResult result;
    const DWORD level = EnumLevel(os_);
    DWORD needed = 0, returned = 0;
    Access().EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, level, nullptr,
                           0, &needed, &returned);
    if (needed == 0) {
      result.spoolerNotAnswering = (GetLastError() == RPC_S_SERVER_UNAVAILABLE);
      return result;
    }
    try {
      std::vector<BYTE> entries(needed);
      if (!Access().EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, level,
                                  entries.data(), needed, &needed, &returned)) {
        throw _QuickExceptionInfo{GetLastError(), "EnumPrinters", "failed to enum printers",
                                  "Bytes needed", needed, "bytes returned", returned};
      }
      defaultName_ = DefaultPrinterName();
      computerName_ = ComputerName(os_);
      std::vector<Unopened> unopened;
      for (DWORD i = 0; i < returned; ++i) {
        const char* name = EntryName(entries.data(), level, i);
        if (RecordPrinter(name)) ++result.count;
        else if (name) unopened.push_back({name, GetLastError()});
      }
      result.count += RecordUnopened(unopened);
    } catch (const _QuickExceptionInfo& failure) {
      result.failed = true;
      result.failure = failure;
      result.count = 0;
    }
    return result;
  }

 private:
  struct Unopened {
    std::string name;
    DWORD error;
  };

  // Returns whether the printer could be opened (and so was recorded).
  bool RecordPrinter(const char* name) {
    CPrinter printer;
    if (!name || !printer.Open(name, PRINTER_READ)) return false;
    CPrinterRecord r;
    if (ReadPrinterData(printer.Get(), kMakerMarkValue, nullptr) || os_.IsWin32s())
      r.isMakerDriver = 1;
    ReadPrinterData(printer.Get(), kDisguiseMarkValue, &r.disguiseName);

    BOOL ok = QueryWithGrowingBuffer(info_, [&](BYTE* buf, DWORD size, DWORD* need) {
      return Access().GetPrinterA(printer.Get(), 2, buf, size, need);
    });
    if (info_.empty()) return true;  // no buffer could be had: counted, skipped
    if (!ok) {
      throw _QuickExceptionInfo{GetLastError(), "GetPrinter", "unable to GetPrinter level 2 data",
                                "hPrinter",
                                static_cast<DWORD>(reinterpret_cast<UINT_PTR>(printer.Get())),
                                "Buffer", static_cast<DWORD>(info_.size())};
    }
    const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(info_.data());
    bool cut = false;
    r.printerName = BoundedField(info->pPrinterName, cut);
    r.driverName = BoundedField(info->pDriverName, cut);
    r.isDefault = (info->Attributes & PRINTER_ATTRIBUTE_DEFAULT) ||
                  (info->pPrinterName && defaultName_ == info->pPrinterName);
    if (!os_.IsWin32s() && info->pServerName && *info->pServerName &&
        !EqualNoCase(info->pServerName, computerName_))
      r.serverName = BoundedField(info->pServerName, cut);
    r.isDisguise = (!r.isMakerDriver && !r.disguiseName.empty()) ? 1 : 0;
    if (cut || !IsOfferedByCommandLine(options_, r.driverName, r.disguiseName)) Withhold(r);
    printers_.push_back(r);
    return true;
  }

  // The printers that could not be opened, kept with the driver the spooler's
  // own list names for each (one more listing, by their wide names where the
  // system has them, as the ANSI list spells other characters as "?").
  int RecordUnopened(const std::vector<Unopened>& unopened) {
    if (unopened.empty()) return 0;
    const std::vector<ListedPrinter> listed = ListPrintersWithDrivers(os_);
    for (const Unopened& u : unopened) {
      CPrinterRecord r;
      bool cut = false;
      r.printerName = BoundedField(u.name.c_str(), cut);
      r.openError = u.error ? u.error : ERROR_INVALID_PRINTER_NAME;
      for (const ListedPrinter& l : listed) {
        if (l.name != u.name) continue;
        r.driverName = BoundedField(l.driver.c_str(), cut);
        r.serverName = l.server;
        r.isDefault = l.isDefault;
        break;
      }
      if (u.name == defaultName_) r.isDefault = 1;
      Withhold(r);
      printers_.push_back(r);
    }
    return static_cast<int>(unopened.size());
  }

  std::vector<CPrinterRecord>& printers_;
  const COsVersion& os_;
  const CommandLineOptions& options_;
  std::string defaultName_;
  std::string computerName_;
  std::vector<BYTE> info_;  // level-2 buffer, reused from printer to printer
};

}  // namespace

InventoryResult BuildListOfInstalledPrinters(std::vector<CPrinterRecord>& printers,
                                             const COsVersion& os,
                                             const CommandLineOptions& options) {
  return CInventoryBuild(printers, os, options).Run();
}

}  // namespace vq
