#include "uninstall/engine/RemovalRun.h"

#include <cstdio>
#include <exception>

#include "uninstall/engine/ChangeJournal.h"
#include "uninstall/engine/DriverRemoval.h"
#include "uninstall/engine/FileRemoval.h"
#include "uninstall/engine/PrinterRemoval.h"
#include "uninstall/engine/RegistryRemoval.h"
#include "uninstall/engine/Restart.h"
#include "uninstall/engine/Services.h"
#include "uninstall/engine/ShellRemoval.h"
#include "uninstall/engine/StartupEntries.h"
#include "uninstall/engine/UserMessages.h"
#include "uninstall/engine/Wow64.h"
#include "uninstall/profile/Cp1252.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"
#include "uninstall/system/Handles.h"
#include "uninstall/system/SpoolerHandles.h"

namespace vq {

namespace {

HANDLE const kWin32sMarker = reinterpret_cast<HANDLE>(1);

// The disguise tool's folders are the values of HKLM\SOFTWARE\VARDEN QUILLAN\OEM\OEMPaths;
// the first folder holding `fileName` that opens for reading wins.
std::string FindDisguiseTool(const COsVersion& os, const char* fileName) {
  for (std::string path : FolderValues(os, "SOFTWARE\\VARDEN QUILLAN\\OEM\\OEMPaths")) {
    if (path.back() != '\\') path += '\\';
    path += fileName;
    CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.IsValid()) return path;
  }
  return std::string();
}

}  // namespace

CRemovalRun::~CRemovalRun() {
  if (disguiseTool_ && disguiseTool_ != kWin32sMarker) CloseHandle(disguiseTool_);
  EndBackup();
}

bool CRemovalRun::StartBackup(const std::string& backupRoot, const std::string& commandLine,
                              std::string& reason) {
  EndBackup();
  const std::string root = backupRoot.empty() ? DefaultBackupRoot() : backupRoot;
  backupFolder_ = root.empty() ? std::string() : NewBackupFolder(root);
  if (Access().ChangesNothing()) {  // a plan: where the backup of the run would go
    LogOutcome("backup folder", Quoted(backupFolder_), "planned");
    return true;
  }
  BackupManifest head;
  SYSTEMTIME t;
  GetLocalTime(&t);
  char created[32];
  std::snprintf(created, sizeof(created), "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  head.created = created;
  head.commandLine = Cp1252ToUtf8(commandLine);
  head.windows = "platform " + std::to_string(ctx_.os.PlatformCode()) + ", version " +
                 std::to_string(ctx_.os.VersionCode()) + (ctx_.os.Is64BitWindows() ? ", 64-bit" : "");
  backup_ = std::make_unique<CBackupFolder>();
  if (backupFolder_.empty()) {
    reason = "the Windows folder cannot be found";
  } else if (backup_->Create(backupFolder_, ctx_.os, head, reason)) {
    backupLayer_ = std::make_unique<CBackupLayer>(*backup_, ctx_.os);
    backupSeam_ = std::make_unique<CAccessLayerOverride>(*backupLayer_);
    SetJournal(backupLayer_.get());
    LogOutcome("backup folder", Quoted(backupFolder_), "written");
    return true;
  }
  LogOutcome("backup folder", Quoted(backupFolder_), ("failed: " + reason).c_str());
  backup_.reset();
  return false;
}

// The backup ends with the run: its last entry says the run reached its end.
void CRemovalRun::EndBackup() {
  if (!backupLayer_) return;
  backup_->Append({"end", {{"entries", backupLayer_->Entries()}}, {}});
  SetJournal(nullptr);
  backupSeam_.reset();
  backupLayer_.reset();
  backup_.reset();
}

void CRemovalRun::BuildFolderLists() {
  struct Entry {
    FolderId id;
    bool driver;  // driverFolders, else systemFolders
    bool ntOnly;
  };
  static const Entry kEntries[] = {
      {kFolderPrinterDriver, true, false},  {kFolderSystem, false, false},
      {kFolderWindows, false, false},       {kFolderPrintProcessor, true, false},
      {kFolderColor, false, false},         {kFolderPrinterDriverW40, true, true},
      {kFolderPrintProcessorW40, true, true}};
  for (const Entry& e : kEntries) {
    if (e.ntOnly && !ctx_.os.IsNT()) continue;
    AddFolder(e.driver ? ctx_.driverFolders : ctx_.systemFolders,
              [&](CFileSpec& place) { place.SetFolder(e.id); });
  }
  if (!ctx_.os.Is64BitWindows()) return;
  // 64-bit Windows: the 64-bit drivers' folders, and the system folder a
  // 64-bit installer wrote to (the real one, for this 32-bit program).
  for (bool processor : {false, true})
    AddFolder(ctx_.driverFolders,
              [&](CFileSpec& place) { place.SetSpoolerFolder(processor, kEnvironmentX64); });
  const std::string other = OtherSystemFolder(ctx_.os);
  if (!other.empty()) {
    ctx_.systemFolders.push_back(other);
    NormaliseList(ctx_.systemFolders);
  }
}

template <typename SetPlace>
void CRemovalRun::AddFolder(std::vector<std::string>& list, SetPlace setPlace) {
  CFileSpec place(ctx_.os);
  setPlace(place);
  std::string path = place.FolderPath();
  if (path.size() >= 2) {  // the spooler may answer late after its restart: ask once more
    Sleep(100);
    setPlace(place);
    path = place.FolderPath();
  }
  list.push_back(path);
  NormaliseList(list);
}

bool CRemovalRun::Start(const std::string& backupRoot, const std::string& commandLine,
                        std::string& reason) {
  ctx_.environments = PrintEnvironments(ctx_.os);
  ctx_.filesInUse.Clear();
  ctx_.keptMonitors.clear();
  BuildFolderLists();
  CFileSpec place(ctx_.os);
  place.SetFolder(kFolderPrinterDriver);
  ctx_.driverDirectory = place.FolderPath();
  return StartBackup(backupRoot, commandLine, reason);
}

// Starts the disguise tool with " /d" when the run removes it, so that it can
// undo its disguises first, and reports whether it is still running.
bool CRemovalRun::DisguiseToolRunning() {
  if (ctx_.database->disguiseToolKept) return false;
  if (!disguiseTool_) {
    disguiseToolPath_ = FindDisguiseTool(ctx_.os, kDisguiseTool32);
    if (disguiseToolPath_.empty()) disguiseToolPath_ = FindDisguiseTool(ctx_.os, kDisguiseToolWin32s);
    if (disguiseToolPath_.empty()) return false;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    char commandLine[] = " /d";
    LogOutcome("not restorable", Quoted(disguiseToolPath_), "what the disguise tool undoes");
    if (Access().ChangesNothing()) {  // a plan: it would undo its disguises now
      LogOutcome("start disguise tool", Quoted(disguiseToolPath_), "planned");
      return false;
    }
    if (CreateProcessA(disguiseToolPath_.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &si, &pi)) {
      LogAction("start disguise tool", Quoted(disguiseToolPath_));
      Journal().CannotRestore("disguise tool", disguiseToolPath_);
      CloseHandle(pi.hThread);
      disguiseTool_ = pi.hProcess;
      return true;
    }
    // Not a removal: the run goes on, and the disguises stay.
    LogOutcome("start disguise tool", Quoted(disguiseToolPath_),
               ("not started (error " + std::to_string(GetLastError()) + "): its disguises stay")
                   .c_str());
    if (!ctx_.os.IsWin32s()) return false;
    disguiseTool_ = kWin32sMarker;  // no process handle there: its dialog tells
    return true;
  }
  bool running;
  if (disguiseTool_ == kWin32sMarker) {
    running = FindWindowA("#32770", "Vezzaro") != nullptr;
  } else {
    DWORD code = 0;
    running = GetExitCodeProcess(disguiseTool_, &code) && code == STILL_ACTIVE;
  }
  if (running) return true;
  if (disguiseTool_ != kWin32sMarker) CloseHandle(disguiseTool_);
  disguiseTool_ = nullptr;
  return false;
}

// The spooler the run stopped (Windows NT 3.x and 4.0) must print again; one
// that does not start is a failure of the run, and the user is told.
void CRemovalRun::RestartSpooler() {
  if (StartSpooler()) return;
  const DWORD error = GetLastError();
  LogAction("start spooler", Quoted("Spooler"), error ? error : ERROR_SERVICE_NOT_ACTIVE);
  TellUser(IDS_SPOOLERNOTRESTARTED, {std::to_string(error)}, MB_ICONHAND | MB_SETFOREGROUND);
}

bool CRemovalRun::RunPhase(int step) {
  // A phase that fails unexpectedly is reported and the run goes on with the
  // next, as after any other failure of a phase.
  try {
    return RunPhaseUnguarded(step);
  } catch (const std::exception& e) {
    LogOutcome("internal error", "phase " + std::to_string(step), e.what());
  } catch (...) {
    LogOutcome("internal error", "phase " + std::to_string(step), "unknown exception");
  }
  return true;
}

bool CRemovalRun::RunPhaseUnguarded(int step) {
  CUninstallDatabase& db = *ctx_.database;
  const COsVersion& os = ctx_.os;
  switch (step) {
    case 0:
      db.ComputeRemovalSet();
      break;
    case 1:
      return !DisguiseToolRunning();
    case 2:
      RunHooks(ctx_);
      break;
    case 3:
      RemovePrinters(ctx_);
      break;
    case 4:
      for (const char* env : ctx_.environments) RemoveDrivers(ctx_, env);
      RemoveDriverPackages(ctx_);
      break;
    case 5:
      for (const char* env : ctx_.environments) RemoveMonitors(ctx_, env);
      break;
    case 6:
      for (const char* env : ctx_.environments) RemovePrintProcessors(ctx_, env);
      break;
    case 7:
      RemoveServices(db, os);
      break;
    case 8:
      // What the drivers, monitors and print processors that stay need is
      // read now, after their phases and while the spooler still answers.
      ctx_.filesInUse.Collect(os, ctx_.environments);
      if (os.IsWin9x()) {
        if (os.VersionCode() == COsVersion::kVersion95) CloseSpoolerWindow();
        db.restartNeeded = 1;  // the Windows 9x spooler lets go of its files only at a restart
      } else if (os.VersionCode() == COsVersion::kVersionNT3 ||
                 os.VersionCode() == COsVersion::kVersionNT4) {
        StopSpooler();
      }
      break;
    case 9:
      CollectOemFolders(ctx_);
      break;
    case 10:
      RemoveShortcuts(ctx_);
      if (ctx_.pageWindow) {  // the shell may have come to the front
        ShowWindow(ctx_.pageWindow, SW_SHOWDEFAULT);
        BringWindowToTop(ctx_.pageWindow);
        SetForegroundWindow(ctx_.pageWindow);
      }
      break;
    case 12:
      RemoveIniEntries(ctx_);
      break;
    case 13:
      RemoveLoadRunEntries(ctx_);
      break;
    case 14:
      PrepareFolderPaths(ctx_);
      RemoveFiles(ctx_);
      RemoveOemInfFiles(ctx_);
      if (os.VersionCode() == COsVersion::kVersion98 || os.VersionCode() == COsVersion::kVersionMe)
        RemoveWin9xInfFiles(ctx_);
      else if (os.VersionCode() == COsVersion::kVersionNT5)
        RemoveDriverSubfolder(ctx_);
      break;
    case 15:
      RemoveRegistryItems(ctx_);
      break;
    case 16:
      if (os.IsNT()) RestartSpooler();
      break;
    default:  // step 11 has no phase of its own
      break;
  }
  return true;
}

CRemovalRun::FinishResult CRemovalRun::Finish() {
  // The run's changes are made: the restart question and its answer are no
  // change to keep.
  EndBackup();
  if (!ctx_.database->restartNeeded) {
    TellUser(IDS_DONE, {}, MB_OK | MB_SETFOREGROUND);
    return kFinishedDone;
  }
  const int answer = TellUser(IDS_ASKRESTART, {}, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
  const bool agreed = (answer == IDYES);
  LogNote(agreed ? "restart requested" : "restart declined");
  if (Restart(ctx_, agreed)) {
    TellUser(IDS_RESTARTFAILED, {}, MB_OK | MB_SETFOREGROUND);
    return kFinishedRestartFailed;
  }
  return agreed ? kFinishedRestarting : kFinishedRestartDeclined;
}

}  // namespace vq
