// The shipped 32-bit tool on 64-bit Windows. In a 64-bit prefix set to
// Windows 10 the i686 TORVAX02.exe runs under WOW64: its System32 is the
// 32-bit system folder, HKLM\SOFTWARE has a 32-bit view, and the spooler's
// own environment is "Windows NT x86". The sample package is installed by
// this 64-bit program as a 64-bit installer would leave it (drivers in
// "Windows x64", the driver script in the x64 driver folder, files in the
// real system folder, keys and Run values in the 64-bit view) and, as an
// older 32-bit installer of the same package would, in the 32-bit folder
// and view too, beside the other maker's package. Three runs of the 32-bit
// tool remove some printers of the package, the rest of them, then every
// printer left; each is planned first, and:
//   - the plan changes nothing and lists exactly what the run then logs;
//   - nothing the other maker installed changes but, in the last run, its
//     printers with their drivers and files;
//   - after the last run nothing the package added is left, in either view
//     or system folder, but what any Windows would keep (see MayStay);
//   - the native Program Files, which the package's OEMPaths names, is no
//     installation folder of the 32-bit tool's: the other maker's file of
//     the package's name in it stays.
#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/wine/core/WineTestSupport.h"
#include "tests/wine/fixture/MachineState.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "tests/wine/machine/RunRecords.h"
#include "uninstall/engine/BackupFolder.h"
#include "uninstall/engine/Undo.h"

using namespace vq::fixture;

namespace {

const char kToolFolder[] = "C:\\users\\Public\\";

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The shipped tool of the i686 build, as this prefix sees the build tree.
std::string ShippedTool() {
  std::string path = "Z:" + std::string(VQ_SHIPPED_TOOL);
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

bool SetWindowsVersion(const char* version) {
  return SetRegistryText("HKCU", "Software\\Wine", "Version", version);
}

HKEY RootKey(const std::string& root) {
  if (root == "HKLM") return HKEY_LOCAL_MACHINE;
  if (root == "HKCU") return HKEY_CURRENT_USER;
  return HKEY_CLASSES_ROOT;
}

bool SetIn32BitView(const std::string& root, const std::string& key, const std::string& name,
                    const std::string& data) {
  HKEY h;
  if (RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                      nullptr, &h, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG rc = name.empty() ? ERROR_SUCCESS
                               : RegSetValueExA(h, name.c_str(), 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(data.c_str()),
                                                static_cast<DWORD>(data.size() + 1));
  RegCloseKey(h);
  return rc == ERROR_SUCCESS;
}

std::string Wow64SystemFolder() {
  char folder[MAX_PATH] = "";
  GetSystemWow64DirectoryA(folder, sizeof(folder));
  return std::string(folder) + "\\";
}

// Since Windows 7 the classes root has one key for both views but below
// CLSID, Interface, DirectShow, Media Type and MediaFoundation
// (learn.microsoft.com/windows/win32/winprog64/shared-registry-keys): a
// 32-bit installer's file types and ProgIDs are the 64-bit one's.
bool IsSharedClassKey(const SampleRegistryValue& v) {
  if (v.root != "HKCR") return false;
  for (const char* redirected : {"CLSID\\", "Interface\\", "DirectShow\\", "Media Type\\", "MediaFoundation\\"})
    if (StartsWith(v.key + "\\", redirected)) return false;
  return true;
}

// What a 32-bit installer of the same package left: its keys and Run values
// in the 32-bit view, its system files in the 32-bit system folder.
void InstallThe32BitTraces(const SamplePackage& package) {
  for (const SampleRegistryValue& v : package.registry) {
    if (v.root == "HKCU" || Contains(v.key, "CurrentControlSet") || IsSharedClassKey(v)) continue;
    EXPECT_TRUE(SetIn32BitView(v.root, v.key, v.name, v.data)) << v.key;
  }
  for (const SampleRegistryValue& v : package.runValues)
    EXPECT_TRUE(SetIn32BitView("HKLM", kRunKey, v.name, FolderOf(Place::kInstall) + v.data)) << v.name;
  for (const SampleFile& f : package.files) {
    if (f.place != Place::kSystem) continue;
    EXPECT_TRUE(WriteFileText(Wow64SystemFolder() + f.name, "sample file " + f.name + "\r\n"));
  }
}

// What Wine and the spooler change on their own, and what an uninstall
// changes on behalf of the machine rather than of a package: the log and
// plan files, the default printer, the reboot-time list.
bool IsBookkeeping(const std::string& entry) {
  static const char* const kMarks[] = {
      "reg hklm\\system\\currentcontrolset\\control\\session manager\\|pendingfilerenameoperations",
      "reg hkcu\\software\\microsoft\\windows nt\\currentversion\\windows\\|device",
      "ini c:\\windows\\win.ini|[windows]|device",
      "reg hkcu\\software\\microsoft\\windows nt\\currentversion\\windows\\",
  };
  for (const char* mark : kMarks)
    if (entry == mark) return true;
  if (StartsWith(entry, "file " + std::string("c:\\users\\public\\"))) return true;
  // The runs' backups, which an undo needs.
  if (Contains(entry, " c:\\windows\\qunz__02.bak\\")) return true;
  // The spooler's empty driver keys, made as it lists its environments.
  return StartsWith(entry, "reg hklm\\system\\currentcontrolset\\control\\print\\environments\\") &&
         (Contains(entry, "\\drivers\\version-") || entry.back() == '\\');
}

// What the package keeps after its last printer went, as every Windows
// would: the catch-all and ignore entries (QVSHARE02.DLL, the Shared key and
// the maker's key above it, the status program's files, the colour
// profile), the printer that only ever was a disguise with the generic
// driver, files and INF copy it uses, and what no script names (the XL
// driver's INI, the INF copy of a model never installed, an INI line and a
// per-user value of another printer). The driver subfolder goes only on
// Windows 2000; Wine's Program Manager deletes only the personal group,
// after the tool emptied the common one.
bool MayStay(const std::string& entry) {
  static const char* const kKept[] = {
      "qvshare02.dll", "\\varden quillan\\shared\\", "qv7310.icm", "\\beldra02.dll", "\\qstatmon.exe",
      "recep\xe7\xe3o", "generic office laser", "genlaser", "genlasui", "oem9.inf",
      "qv7310xl.ini", "oem8.inf", "|[printers]|laser do corredor",
      "hkcu\\software\\varden quillan\\status\\|colour", "\\drivers\\x64\\qv7310\\"};
  // Folders and keys that stay because they hold something above.
  static const char* const kHolders[] = {
      "reg hklm\\software\\varden quillan\\", "reg hklm\\software\\wow6432node\\varden quillan\\",
      "reg hkcu\\software\\varden quillan\\", "reg hkcu\\software\\varden quillan\\status\\",
      "dir c:\\program files\\varden quillan\\",
      "dir c:\\programdata\\microsoft\\windows\\start menu\\programs\\varden quillan\\"};
  for (const char* holder : kHolders)
    if (entry == holder) return true;
  for (const char* mark : kKept)
    if (Contains(entry, mark)) return true;
  return false;
}

// What an uninstall and its undo leave otherwise than before, on purpose or
// by the spooler: the backups, the test's logs, the spooler's empty driver
// keys, Wine's counter of service starts, and the default devmode the
// spooler reports for a restored printer.
bool IsUndoBookkeeping(const MachineChange& c) {
  if (Contains(c.entry, " c:\\windows\\qunz__02.bak\\") || StartsWith(c.entry, "file c:\\users\\public\\"))
    return true;
  if (Contains(c.entry, "\\control\\servicecurrent\\")) return true;
  const std::string print = "reg hklm\\system\\currentcontrolset\\control\\print\\";
  if (!c.existedBefore && StartsWith(c.entry, print + "printers\\") && Contains(c.entry, "|default devmode"))
    return true;
  return !c.existedBefore && StartsWith(c.entry, print + "environments\\") &&
         (Contains(c.entry, "\\drivers\\version-") || c.entry.back() == '\\');
}

// A printer's key, its Devices and PrinterPorts lines, the default printer.
bool IsAboutPrinters(const std::string& entry) {
  return StartsWith(entry, "reg hklm\\system\\currentcontrolset\\control\\print\\printers\\") ||
         StartsWith(entry, "reg hkcu\\software\\microsoft\\windows nt\\currentversion\\devices\\") ||
         StartsWith(entry, "reg hkcu\\software\\microsoft\\windows nt\\currentversion\\printerports\\") ||
         entry == "reg hkcu\\software\\microsoft\\windows nt\\currentversion\\windows\\|device";
}

std::string List(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& e : entries) text += "\n  " + e;
  return text;
}

}  // namespace

TEST(Wow64, TheShipped32BitToolRemovesA64BitPackageFromBothViewsAndBothSystemFolders) {
  const std::string tool = std::string(kToolFolder) + "TORVAX02.exe";
  ASSERT_TRUE(CopyFileA(ShippedTool().c_str(), tool.c_str(), FALSE))
      << ShippedTool() << ": build the i686 tree first";
  ASSERT_TRUE(SetWindowsVersion("win10"));
  for (const std::string& p : InstallPackage(TheBystanderPackage())) ADD_FAILURE() << p;
  ASSERT_TRUE(WriteFileText("C:\\Program Files\\TREMONA\\QVSTAT02.EXE", "not the package's\r\n"));
  const MachineState bystander = TakeMachineState();
  for (const std::string& p : InstallPackage(TheSamplePackage())) ADD_FAILURE() << p;
  InstallThe32BitTraces(TheSamplePackage());
  ASSERT_TRUE(SetRegistryText("HKLM", "SOFTWARE\\VARDEN QUILLAN\\OEM02\\OEMPaths", "Native",
                              "C:\\Program Files"));
  const MachineState installed = TakeMachineState();
  const MachineState installedContent = TakeMachineState(FileStamps::kContent);
  ASSERT_TRUE(FileExists(FolderOf(Place::kDriver) + "Qunz__02.unm"));  // the x64 driver folder

  MachineState before = installed;
  int runs = 0;
  // Some printers of the package, the rest of its own, then every printer
  // left: the whole package goes once no printer stays, the other maker's
  // printers with it in that last run.
  const struct Run {
    const char* switches;
    bool othersStay;
  } kRuns[] = {{"/PRN:\"VARDEN QUILLAN vintara 7310K\"", true},
               {"/MFG:\"VARDEN QUILLAN\"", true},
               {"/MFG:Generic,TREMONA", false}};
  for (const Run& r : kRuns) {
    const std::string quoted = "\"" + tool + "\" /QUIET " + r.switches;
    const std::string run = std::string(kToolFolder) + "run" + std::to_string(++runs);
    const std::string plan = run + ".json", log = run + ".log";
    EXPECT_EQ(RunAndWait(quoted + " /PLAN:" + plan), 0u) << r.switches;
    EXPECT_EQ(ChangesOfAPlan(before, TakeMachineState(), plan), "") << r.switches;
    const DWORD exit = RunAndWait(quoted + " /LOG:" + log);
    EXPECT_TRUE(exit == 0 || exit == 3010) << r.switches << ": " << exit;
    const std::vector<std::string> done = WithoutRunOutcomes(LoggedActions(log));
    EXPECT_EQ(FirstDifference(WithoutRunOutcomes(PlannedActions(plan)), done), "") << r.switches;
    const MachineState after = TakeMachineState();
    std::vector<std::string> touched;
    for (const MachineChange& c : ChangesBetween(before, after)) {
      if (!bystander.count(c.entry) || IsBookkeeping(c.entry)) continue;
      // Once its printers go, the other maker's drivers and the files they
      // alone used may go with them; nothing else of it.
      if (r.othersStay || MustStay(c.entry, true)) touched.push_back(c.entry);
    }
    EXPECT_TRUE(touched.empty()) << r.switches << ": the other maker's or Windows' entries changed:"
                                 << List(touched);
    before = after;
  }
  std::vector<std::string> left;
  for (const MachineChange& c : ChangesBetween(bystander, before))
    if (c.existsAfter && !IsBookkeeping(c.entry) && !MayStay(c.entry)) left.push_back(c.entry);
  EXPECT_TRUE(left.empty()) << "left of the package:" << List(left);

  // Each run undone by the tool, the last first: both views and both system
  // folders are as installed, the drivers of both environments too. Not the
  // printers: Wine's spooler runs inside the 32-bit tool and looks for their
  // drivers in the tool's own environment, "Windows NT x86", where there are
  // none (1797); Windows' spooler is a 64-bit service and adds them from
  // "Windows x64". Their keys, lines and the default printer are left out.
  const std::vector<std::string> backups = vq::BackupsUnder(vq::DefaultBackupRoot());
  ASSERT_EQ(backups.size(), std::size(kRuns));
  const std::string undoLog = std::string(kToolFolder) + "undo.log";
  for (const std::string& folder : backups) {
    const DWORD exit = RunAndWait("\"" + tool + "\" /QUIET /UNDO:\"" + folder + "\" /LOG:" + undoLog);
    EXPECT_TRUE(exit == 0 || exit == 3010 || exit == 1603) << folder << ": " << exit;
    for (const std::string& line : TextLines(ReadFileText(undoLog)))
      if (Contains(line, ": failed") && !(Contains(line, "restore printer ") && Contains(line, "(error 1797)")))
        ADD_FAILURE() << folder << ": " << line;
  }
  std::vector<std::string> changed;
  for (const MachineChange& c : ChangesBetween(installedContent, TakeMachineState(FileStamps::kContent)))
    if (!IsUndoBookkeeping(c) && !IsAboutPrinters(c.entry))
      changed.push_back((!c.existedBefore ? "+ " : !c.existsAfter ? "- " : "~ ") + c.entry);
  EXPECT_TRUE(changed.empty()) << "not as installed after the undo:" << List(changed);
}
