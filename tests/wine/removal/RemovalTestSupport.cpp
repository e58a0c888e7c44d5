#include "tests/wine/removal/RemovalTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/gui/torvax/GuiDriver.h"
#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/profile/PrinterInventory.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/WideText.h"

using namespace vq;
using namespace vq::fixture;

namespace removal_test {

const std::string kOffice = kOfficePrinter;
const std::string kPs = kPsPrinter;
const std::string kPsFinance = kPsFinancePrinter;
const std::string kReception = kReceptionPrinter;
const std::string kXl = kXlPrinter;
const std::string kHall = kHallPrinter;
const std::string kPclDriver = vq::fixture::kSamplePclDriver;
const std::string kPsDriver = vq::fixture::kSamplePsDriver;
const std::string kXlDriver = vq::fixture::kSampleXlDriver;
const std::string kGenericDriver = vq::fixture::kSampleGenericDriver;
const char kPrinterClassKeyOfOffice[] = "{QV7310-PRN-0001}";
const char kCaption[] = "Desinstala\xE7\xE3o";

namespace {

char* Text(const char* s) { return const_cast<char*>(s); }

const char* const kEnvironments[] = {nullptr, "Windows NT x86", "Windows 4.0"};

std::vector<std::string> InstalledPrinters() {
  std::vector<std::string> names;
  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed + 1);
  if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed, &needed, &count))
    return names;
  const PRINTER_INFO_4A* info = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) names.push_back(info[i].pPrinterName);
  return names;
}

std::vector<std::string> InstalledDrivers(const char* environment) {
  std::vector<std::string> names;
  DWORD needed = 0, count = 0;
  EnumPrinterDriversA(nullptr, Text(environment), 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed + 1);
  if (!EnumPrinterDriversA(nullptr, Text(environment), 2, buffer.data(), needed, &needed, &count))
    return names;
  const DRIVER_INFO_2A* info = reinterpret_cast<const DRIVER_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) names.push_back(info[i].pName);
  return names;
}

bool WriteStandIn(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(h, "stand-in", 8, &written, nullptr);
  CloseHandle(h);
  return true;
}

}  // namespace

bool DeletePrinterNamed(const std::string& name) {
  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE h = nullptr;
  if (!OpenPrinterA(Text(name.c_str()), &h, &defaults)) return false;
  BOOL ok = DeletePrinter(h);
  ClosePrinter(h);
  return ok;
}

bool PrinterInstalled(const std::string& name) {
  for (const std::string& n : InstalledPrinters()) {
    if (n == name) return true;
  }
  return false;
}

bool DriverInstalled(const char* environment, const std::string& driver) {
  for (const std::string& n : InstalledDrivers(environment)) {
    if (n == driver) return true;
  }
  return false;
}

void PrepareMachine() {
  for (const std::string& p : InstalledPrinters()) DeletePrinterNamed(p);
  for (const char* environment : kEnvironments) {
    for (const std::string& d : InstalledDrivers(environment))
      DeletePrinterDriverA(nullptr, Text(environment), Text(d.c_str()));
  }
  for (const std::string& p : InstallDriversAndPrinters(TheSamplePackage())) ADD_FAILURE() << p;
  for (const SampleRegistryValue& v : TheSamplePackage().registry)
    ASSERT_TRUE(SetRegistryText(v.root, v.key, v.name, v.data)) << v.key;
}

bool InstallDriverFor(const char* environment, const std::string& driver) {
  char dir[MAX_PATH] = "";
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryA(nullptr, Text(environment), 1, reinterpret_cast<BYTE*>(dir),
                                  sizeof(dir), &needed))
    return false;
  SampleDriver d = {driver, "STANDIN.DLL", "STANDIN.INI", "STANDINUI.DLL", "", {}};
  for (const SampleDriver& s : TheSamplePackage().drivers) {
    if (s.name == driver) d = s;
  }
  const std::string folder = std::string(dir) + "\\";
  std::string files[] = {folder + d.driverFile, folder + d.dataFile, folder + d.configFile};
  for (const std::string& f : files) {
    if (!WriteStandIn(f)) return false;
  }
  DRIVER_INFO_3A info = {};
  info.cVersion = 3;
  info.pName = Text(d.name.c_str());
  info.pEnvironment = Text(environment);
  info.pDriverPath = &files[0][0];
  info.pDataFile = &files[1][0];
  info.pConfigFile = &files[2][0];
  info.pDefaultDataType = Text("RAW");
  return AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info));
}

std::pair<std::string, std::string> ProcessorOf(const std::string& printer) {
  std::pair<std::string, std::string> result;
  HANDLE h = nullptr;
  if (!OpenPrinterA(Text(printer.c_str()), &h, nullptr)) return result;
  DWORD needed = 0;
  GetPrinterA(h, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed + 1);
  if (GetPrinterA(h, 2, buffer.data(), needed, &needed)) {
    const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    result = {info->pPrintProcessor ? info->pPrintProcessor : "",
              info->pDatatype ? info->pDatatype : ""};
  }
  ClosePrinter(h);
  return result;
}

namespace {
// Reads the printer's wide level-2 record, lets `change` edit it and, when
// it says so, writes it back; false when any step fails.
template <typename Change>
bool WithWideRecord(const std::string& printer, Change change) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  std::wstring name = vq::WideText(printer.c_str());
  HANDLE h = nullptr;
  if (!OpenPrinterW(&name[0], &h, &defaults)) return false;
  DWORD needed = 0;
  GetPrinterW(h, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed + 2);
  BOOL ok = GetPrinterW(h, 2, buffer.data(), needed, &needed);
  if (ok && change(*reinterpret_cast<PRINTER_INFO_2W*>(buffer.data())))
    ok = SetPrinterW(h, 2, buffer.data(), 0);
  ClosePrinter(h);
  return ok;
}
}  // namespace

std::wstring CommentOf(const std::string& printer) {
  std::wstring comment;
  WithWideRecord(printer, [&](PRINTER_INFO_2W& info) {
    comment = info.pComment ? info.pComment : L"";
    return false;
  });
  return comment;
}

bool SetCommentOf(const std::string& printer, const std::wstring& comment) {
  std::wstring text = comment;
  return WithWideRecord(printer, [&](PRINTER_INFO_2W& info) {
    info.pComment = &text[0];
    return true;
  });
}

bool SetProcessorOf(const std::string& printer, const std::string& processor) {
  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE h = nullptr;
  if (!OpenPrinterA(Text(printer.c_str()), &h, &defaults)) return false;
  DWORD needed = 0;
  GetPrinterA(h, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed + 1);
  BOOL ok = GetPrinterA(h, 2, buffer.data(), needed, &needed);
  if (ok) {
    PRINTER_INFO_2A* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
    info->pPrintProcessor = Text(processor.c_str());
    ok = SetPrinterA(h, 2, buffer.data(), 0);
  }
  ClosePrinter(h);
  return ok;
}

std::string DefaultPrinter() {
  char name[300] = "";
  DWORD size = sizeof(name);
  return GetDefaultPrinterA(name, &size) ? name : "";
}

CRun::CRun(const std::set<std::string>& remove, bool unvezz, const COsVersion& os) {
  db.osVersion = os;
  for (const char* which : {"driver", "program"}) {
    std::string reason;
    EXPECT_TRUE(db.ReadScript(SourceScript(which), &reason)) << which << ": " << reason;
  }
  db.PrepareEverythingProfile(unvezz);
  CommandLineOptions options;
  options.Parse("TORVAX02.exe");
  // The list as the Windows NT inventory reads it; the phases get `os`.
  BuildListOfInstalledPrinters(
      db.printers, COsVersion(COsVersion::kPlatformNT, COsVersion::kVersionXP), options);
  for (CPrinterRecord& p : db.printers) p.keep = remove.count(p.printerName) ? 0 : 1;
  db.ComputeRemovalSet();
  ctx.database = &db;
  ctx.os = os;
}

CPrinterRecord* CRun::Find(const std::string& name) {
  for (CPrinterRecord& p : db.printers) {
    if (p.printerName == name) return &p;
  }
  return nullptr;
}

// --- CRecordingLayer

std::string CRecordingLayer::NameOf(HANDLE printer) const {
  auto it = open_.find(printer);
  return it == open_.end() ? std::string() : it->second;
}

std::vector<std::string> CRecordingLayer::Lines(const std::string& prefix) const {
  std::vector<std::string> lines;
  for (const std::string& l : log) {
    if (l.compare(0, prefix.size(), prefix) == 0) lines.push_back(l);
  }
  return lines;
}

BOOL CRecordingLayer::OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
  log.push_back(std::string("open ") + (name ? name : "(null)"));
  auto failure = failOpen.find(name ? name : "");
  if (failure != failOpen.end()) {
    SetLastError(failure->second);
    return FALSE;
  }
  BOOL ok = CAccessLayer::OpenPrinterA(name, printer, defaults);
  if (ok) open_[*printer] = name ? name : "";
  return ok;
}

BOOL CRecordingLayer::OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  const std::string ansi = vq::AnsiText(name);
  log.push_back("open " + ansi);
  BOOL ok = CAccessLayer::OpenPrinterW(name, printer, defaults);
  if (ok) open_[*printer] = ansi;
  return ok;
}

BOOL CRecordingLayer::SetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) {
  ++printerWrites;
  const std::string name = NameOf(printer);
  if (level == 2 && buffer) {
    const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer);
    const std::string processor = vq::AnsiText(info->pPrintProcessor);
    log.push_back("set " + name + " " + processor + " " + vq::AnsiText(info->pDatatype));
    if (failMoveToWinPrint.count(name) && EqualNoCase(processor, "WinPrint")) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  return CAccessLayer::SetPrinterW(printer, level, buffer, command);
}

BOOL CRecordingLayer::ClosePrinter(HANDLE printer) {
  open_.erase(printer);
  return CAccessLayer::ClosePrinter(printer);
}

BOOL CRecordingLayer::GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                                  LPDWORD needed) {
  ++printerReads;
  return CAccessLayer::GetPrinterA(printer, level, buffer, size, needed);
}

BOOL CRecordingLayer::SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) {
  ++printerWrites;
  const std::string name = NameOf(printer);
  if (level == 2 && buffer) {
    const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer);
    const std::string processor = info->pPrintProcessor ? info->pPrintProcessor : "";
    log.push_back("set " + name + " " + processor + " " + (info->pDatatype ? info->pDatatype : ""));
    if (failMoveToWinPrint.count(name) && EqualNoCase(processor, "WinPrint")) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  return CAccessLayer::SetPrinterA(printer, level, buffer, command);
}

BOOL CRecordingLayer::DeletePrinter(HANDLE printer) {
  const std::string name = NameOf(printer);
  log.push_back("deleteprinter " + name);
  if (failDeletePrinter.count(name)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return CAccessLayer::DeletePrinter(printer);
}

BOOL CRecordingLayer::DeletePrinterConnectionA(LPSTR name) {
  log.push_back(std::string("connection ") + name);
  return TRUE;  // the server's printer is not this machine's to check
}

BOOL CRecordingLayer::EnumJobsA(HANDLE printer, DWORD firstJob, DWORD count, DWORD level,
                                LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
  const std::string name = NameOf(printer);
  log.push_back("enumjobs " + name + " " + std::to_string(firstJob) + " " + std::to_string(count) +
                " " + std::to_string(level));
  const std::vector<DWORD>& ids = jobs[name];
  *needed = static_cast<DWORD>(ids.size() * sizeof(JOB_INFO_1A));
  *returned = 0;
  if (level != 1 || size < *needed || (!buffer && *needed)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  JOB_INFO_1A* records = reinterpret_cast<JOB_INFO_1A*>(buffer);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    records[i] = JOB_INFO_1A{};
    records[i].JobId = ids[i];
  }
  *returned = static_cast<DWORD>(ids.size());
  return TRUE;
}

BOOL CRecordingLayer::SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE job, DWORD command) {
  log.push_back("setjob " + NameOf(printer) + " " + std::to_string(jobId) + " level " +
                std::to_string(level) + (job ? " data" : "") + " command " +
                std::to_string(command));
  return TRUE;
}

BOOL CRecordingLayer::DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) {
  log.push_back("deletedriver " + EnvironmentName(environment) + " " + driverName);
  if (deleteDriverError) {
    SetLastError(deleteDriverError);
    return FALSE;
  }
  return CAccessLayer::DeletePrinterDriverA(server, environment, driverName);
}

BOOL CRecordingLayer::EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level,
                                          LPBYTE buffer, DWORD size, LPDWORD needed,
                                          LPDWORD returned) {
  if (level != 8)
    return CAccessLayer::EnumPrinterDriversA(server, environment, level, buffer, size, needed,
                                             returned);
  ++infPathReads;
  std::vector<std::pair<std::string, std::string>> drivers;  // name, INF path
  for (const std::string& name : InstalledDrivers(environment)) {
    auto inf = infPaths.find(name);
    drivers.emplace_back(name, inf == infPaths.end() ? std::string() : inf->second);
  }
  std::size_t want = drivers.size() * sizeof(DriverInfo8A);
  for (const auto& d : drivers) want += d.first.size() + d.second.size() + 2;
  *needed = static_cast<DWORD>(want);
  *returned = 0;
  if (!buffer || size < want) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  DriverInfo8A* records = reinterpret_cast<DriverInfo8A*>(buffer);
  char* text = reinterpret_cast<char*>(buffer + drivers.size() * sizeof(DriverInfo8A));
  auto place = [&](const std::string& s) {
    std::memcpy(text, s.c_str(), s.size() + 1);
    char* placed = text;
    text += s.size() + 1;
    return placed;
  };
  for (std::size_t i = 0; i < drivers.size(); ++i) {
    records[i] = DriverInfo8A{};
    records[i].pName = place(drivers[i].first);
    records[i].pszInfPath = place(drivers[i].second);
  }
  *returned = static_cast<DWORD>(drivers.size());
  return TRUE;
}

HRESULT CRecordingLayer::DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath,
                                                     LPCSTR environment) {
  log.push_back("deletepackage " + EnvironmentName(environment) + " " + infPath);
  if (systemDeletesPackages)
    return CAccessLayer::DeletePrinterDriverPackageA(server, infPath, environment);
  return packageResult;
}

BOOL CRecordingLayer::DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) {
  // Wine's DeleteMonitorA takes the monitor's key with it; answer as for a
  // monitor that is not installed, so that the key left is the phase's to delete.
  (void)server;
  log.push_back("deletemonitor " + EnvironmentName(environment) + " " + monitorName);
  SetLastError(ERROR_UNKNOWN_PRINT_MONITOR);
  return FALSE;
}

BOOL CRecordingLayer::EnumPrintProcessorsA(LPSTR server, LPSTR environment, DWORD level,
                                           LPBYTE buffer, DWORD size, LPDWORD needed,
                                           LPDWORD returned) {
  std::vector<std::string> names;
  std::vector<BYTE> system(4096);
  DWORD systemNeeded = 0, systemCount = 0;
  if (CAccessLayer::EnumPrintProcessorsA(server, environment, 1, system.data(),
                                         static_cast<DWORD>(system.size()), &systemNeeded,
                                         &systemCount)) {
    const PRINTPROCESSOR_INFO_1A* info = reinterpret_cast<PRINTPROCESSOR_INFO_1A*>(system.data());
    for (DWORD i = 0; i < systemCount; ++i) names.push_back(info[i].pName);
  }
  // The fixture registers its processor under "Windows NT x86", which is the
  // spooler's own environment only for a 32-bit program.
  for (const std::string& extra : extraProcessors)
    if (std::find(names.begin(), names.end(), extra) == names.end()) names.push_back(extra);
  std::size_t want = names.size() * sizeof(PRINTPROCESSOR_INFO_1A);
  for (const std::string& n : names) want += n.size() + 1;
  *needed = static_cast<DWORD>(want);
  *returned = 0;
  if (level != 1 || !buffer || size < want) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  PRINTPROCESSOR_INFO_1A* records = reinterpret_cast<PRINTPROCESSOR_INFO_1A*>(buffer);
  char* text = reinterpret_cast<char*>(buffer + names.size() * sizeof(PRINTPROCESSOR_INFO_1A));
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::memcpy(text, names[i].c_str(), names[i].size() + 1);
    records[i].pName = text;
    text += names[i].size() + 1;
  }
  *returned = static_cast<DWORD>(names.size());
  return TRUE;
}

BOOL CRecordingLayer::DeletePrintProcessorA(LPSTR, LPSTR environment, LPSTR processorName) {
  log.push_back("deleteprocessor " + EnvironmentName(environment) + " " + processorName);
  return TRUE;  // Wine answers success for any name; the call itself is what counts
}

LONG CRecordingLayer::RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD size) {
  ++keyEnumerations;
  return CAccessLayer::RegEnumKeyA(key, index, name, size);
}

LONG CRecordingLayer::RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) {
  log.push_back(std::string("deletekey ") + (subKey ? subKey : "(null)"));
  if (subKey && failDeleteKey.count(subKey)) return ERROR_ACCESS_DENIED;
  return CAccessLayer::RegDeleteKeyExA(key, subKey, view, reserved);
}

// --- CMessageBoxAnswerer

CMessageBoxAnswerer::CMessageBoxAnswerer() : thread_([this] { Run(); }) {}

CMessageBoxAnswerer::~CMessageBoxAnswerer() { Stop(); }

std::vector<std::string> CMessageBoxAnswerer::Stop() {
  stop_ = true;
  thread_.Wait();
  return texts_;
}

void CMessageBoxAnswerer::Run() {
  while (!stop_) {
    HWND box = gui::WaitForMessageBox(GetCurrentProcessId(), kCaption, nullptr, 200);
    if (!box) continue;
    texts_.push_back(gui::MessageBoxText(box));
    gui::PressButton(box, IDOK);
    gui::WaitUntilGone(box, 5000);
  }
}

}  // namespace removal_test
