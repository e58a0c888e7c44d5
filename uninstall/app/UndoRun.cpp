#include "uninstall/app/UndoRun.h"

#include <map>
#include <vector>

#include "uninstall/app/StringTable.h"
#include "uninstall/app/Ui.h"
#include "uninstall/app/Unattended.h"
#include "uninstall/app/UndoDlg.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/engine/BackupFolder.h"
#include "uninstall/engine/RemovalContext.h"
#include "uninstall/engine/Restart.h"
#include "uninstall/profile/Cp1252.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/res/resource.h"
#include "uninstall/system/AccessLayer.h"

namespace vq {

namespace {

// How the confirmation names what a backup holds: one line per group, the
// kinds a person would not tell apart sharing one. Group g is named by
// strings IDS_UNDOKINDS + 2g (one) and + 2g + 1 (more).
struct KindGroup {
  const char* kinds[3];
};
const KindGroup kKindGroups[] = {
    {{"printer", "printer connection"}},
    {{"printer settings"}},
    {{"driver"}},
    {{"driver package", "inf copy"}},
    {{"monitor"}},
    {{"print processor"}},
    {{"service"}},
    {{"file"}},
    {{"folder"}},
    {{"attributes"}},
    {{"ini lines", "profile string"}},
    {{"registry key"}},
    {{"registry value", "registry value set"}},
    {{"print jobs", "hook", "disguise tool"}},  // what no undo brings back
};

// One line per group of what the backup holds: "2 impressoras".
std::string ContentsText(const BackupManifest& manifest) {
  const std::map<std::string, int> counts = BackupCounts(manifest);
  CStringTable strings;
  std::string text;
  for (std::size_t g = 0; g < sizeof(kKindGroups) / sizeof(kKindGroups[0]); ++g) {
    long long n = 0;
    for (const char* kind : kKindGroups[g].kinds) {
      auto it = kind ? counts.find(kind) : counts.end();
      if (it != counts.end()) n += it->second;
    }
    if (n == 0) continue;
    const UINT id = IDS_UNDOKINDS + static_cast<UINT>(2 * g) + (n == 1 ? 0 : 1);
    text += std::to_string(n) + " " + strings.Load(id) + "\n";
  }
  if (text.empty()) text = std::string(strings.Load(IDS_UNDOEMPTY)) + "\n";
  return text;
}

// The question before anything is restored, naming the backup's date, its
// folder and what it holds; No is the default answer.
bool ConfirmUndo(const std::string& folder, const BackupManifest& manifest) {
  CStringTable strings;
  std::string text = FillPlaceholders(strings.Load(IDS_UNDOCONFIRM),
                                      {ElideMiddle(BackupDate(manifest), kMessageValueChars),
                                       ElideMiddle(folder, kMessageValueChars)});
  text += "\n" + ContentsText(manifest) + "\n" + strings.Load(IDS_UNDOCONFIRMNOTE);
  return ShowMessage(text.c_str(), strings.Load(IDS_CAPTION),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SETFOREGROUND) == IDYES;
}

// Where the undo looked when it found no backup, for the person to check.
std::string WhereLooked(const UnattendedOptions& u) {
  if (!u.undoPath.empty()) return u.undoPath;
  return u.backupRoot.empty() ? DefaultBackupRoot() : u.backupRoot;
}

}  // namespace

std::string BackupDate(const BackupManifest& manifest) {
  std::string text;
  if (!Utf8ToCp1252(manifest.created, text)) text = manifest.created;
  static const char kPattern[] = "dddd-dd-dd dd:dd:dd";
  if (text.size() != sizeof(kPattern) - 1) return text;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i]) return text;
  }
  return text.substr(8, 2) + "/" + text.substr(5, 2) + "/" + text.substr(0, 4) + text.substr(10);
}

std::string UndoBackupFolder(const std::string& undoPath, const std::string& backupRoot) {
  std::string folder = undoPath;
  if (!folder.empty()) {
    if (folder.back() != '\\') folder += '\\';
    if (GetFileAttributesA((folder + kManifestName).c_str()) != INVALID_FILE_ATTRIBUTES) return folder;
  } else {
    folder = backupRoot.empty() ? DefaultBackupRoot() : backupRoot;
  }
  const std::vector<std::string> backups = BackupsUnder(folder);
  return backups.empty() ? std::string() : backups.front();
}

bool ReadVerifiedBackup(const std::string& folder, BackupManifest& manifest) {
  std::string reason;
  if (ReadBackup(folder, manifest, reason)) {
    LogOutcome("backup folder", Quoted(folder), "verified");
    return true;
  }
  LogOutcome("backup folder", Quoted(folder), ("refused: " + reason + "; nothing is restored").c_str());
  ShowMessageFrom(IDS_UNDOBADBACKUP, {folder}, MB_ICONHAND | MB_SETFOREGROUND);
  return false;
}

int RunUndo(const CommandLineOptions& options, const COsVersion& os, HWND owner) {
  UnattendedOptions u;
  if (!ParseUnattendedOptions(options, u)) return kExitBadCommandLine;
  // Under a layer that only plans, the undo's own calls must not change
  // anything either, whatever the switches.
  const bool planOnly = !u.planPath.empty() || Access().ChangesNothing();
  const std::string folder = UndoBackupFolder(u.undoPath, u.backupRoot);
  if (folder.empty()) {
    const std::string where = WhereLooked(u);
    LogOutcome("undo", Quoted(where), "refused: no backup there; nothing is changed");
    ShowMessageFrom(IDS_UNDONOBACKUP, {where}, MB_ICONHAND | MB_SETFOREGROUND);
    return kExitBadBackup;
  }
  BackupManifest manifest;
  if (!ReadVerifiedBackup(folder, manifest)) return kExitBadBackup;
  if (u.quiet) return FinishUndo(RestoreBackup(folder, manifest, os, planOnly), os, planOnly);
  if (!ConfirmUndo(folder, manifest)) {
    LogNote("undo declined; nothing is changed");
    return kExitCancelled;
  }
  CUndoDlg progress(folder, manifest, os, planOnly);
  if (progress.DoModal(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_UNDO), owner) == -1) {
    ReportNoWindow(GetLastError());
    return kExitStartupFailed;
  }
  return progress.exitCode;
}

int FinishUndo(const UndoResult& r, const COsVersion& os, bool planOnly) {
  LogNote("undo: " + std::to_string(r.restored) + " restored, " + std::to_string(r.alreadyThere) +
          " in place already, " + std::to_string(r.conflicts) + " conflicts, " +
          std::to_string(r.failures) + " failed, " + std::to_string(r.notRestorable) +
          " not restorable");
  const UINT style = MB_SETFOREGROUND;
  if (r.conflicts > 0 || r.failures > 0) {
    ShowMessageFrom(IDS_UNDOPARTIAL,
                    {std::to_string(r.restored), std::to_string(r.conflicts), std::to_string(r.failures)},
                    style | MB_ICONEXCLAMATION);
    return kExitFailed;
  }
  if (r.restored == 0) {
    LogNote("nothing to restore: everything the backup holds is in place already");
    ShowMessageFrom(IDS_UNDONOTHING, {}, style | MB_ICONINFORMATION);
    return kExitDone;
  }
  if (!r.restartNeeded) {
    ShowMessageFrom(IDS_UNDODONE, {std::to_string(r.restored)}, style | MB_ICONINFORMATION);
    return kExitDone;
  }
  const bool agreed = ShowMessageFrom(IDS_UNDOASKRESTART, {}, style | MB_YESNO | MB_ICONQUESTION) == IDYES;
  LogNote(agreed ? "restart requested" : "restart declined");
  if (planOnly) return agreed ? kExitRestartStarted : kExitRestartNeeded;  // a plan restarts nothing
  CRemovalContext context;
  context.os = os;
  if (Restart(context, agreed)) {
    ShowMessageFrom(IDS_RESTARTFAILED, {}, style);
    return kExitRestartNeeded;
  }
  return agreed ? kExitRestartStarted : kExitRestartNeeded;
}

}  // namespace vq
