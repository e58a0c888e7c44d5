#include "uninstall/engine/ShellRemoval.h"

#include "uninstall/engine/ActionLog.h"

#include <windows.h>
#include <ddeml.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "uninstall/engine/ChangeJournal.h"
#include "uninstall/engine/DriverRemoval.h"
#include "uninstall/engine/RebootDeletion.h"
#include "uninstall/engine/Wow64.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/system/AccessLayer.h"
#include "uninstall/system/Handles.h"
#include "uninstall/system/SpoolerHandles.h"
#include "uninstall/system/SpoolerQueries.h"

namespace vq {

namespace {

const char kOemPathsKey[] = "SOFTWARE\\VARDEN QUILLAN\\OEM02\\OEMPaths";
const char kOemNameKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\SetupX\\INF\\OEM Name";
// Values read from OEMPaths before giving up (the key is the maker's, but its
// data comes from outside).
constexpr DWORD kMaxOemPathValues = 10000;
// The program manager takes commands of at most 63 characters.
constexpr int kCommandSize = 64;
// Limits of one conversation with the program manager: the connection, the
// transaction (DdeClientTransaction's own time-out), and the disconnection
// after it.
constexpr DWORD kDdeConnectLimitMs = 5000;
constexpr DWORD kDdeTimeoutMs = 5000;
constexpr DWORD kDdeDisconnectLimitMs = 2000;
// How often a wait for a conversation delivers what other threads send to
// this thread's windows.
constexpr DWORD kSentMessageSliceMs = 10;

// ---- DDE handles --------------------------------------------------------

HDDEDATA CALLBACK IgnoreDdeEvents(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

class CDdeClient {
 public:
  CDdeClient() {
    if (DdeInitializeA(&instance_, IgnoreDdeEvents, APPCMD_CLIENTONLY | CBF_SKIP_ALLNOTIFICATIONS,
                       0) != DMLERR_NO_ERROR)
      instance_ = 0;
  }
  ~CDdeClient() {
    if (instance_) DdeUninitialize(instance_);
  }
  CDdeClient(const CDdeClient&) = delete;
  CDdeClient& operator=(const CDdeClient&) = delete;
  DWORD Get() const { return instance_; }

 private:
  DWORD instance_ = 0;
};

class CDdeString {
 public:
  CDdeString(DWORD instance, const char* text)
      : instance_(instance), handle_(DdeCreateStringHandleA(instance, text, CP_WINANSI)) {}
  ~CDdeString() {
    if (handle_) DdeFreeStringHandle(instance_, handle_);
  }
  CDdeString(const CDdeString&) = delete;
  CDdeString& operator=(const CDdeString&) = delete;
  HSZ Get() const { return handle_; }

 private:
  DWORD instance_;
  HSZ handle_;
};

class CDdeConversation {
 public:
  CDdeConversation(CAccessLayer& layer, DWORD instance, HSZ service, HSZ topic)
      : conversation_(layer.DdeConnect(instance, service, topic, nullptr)) {}
  ~CDdeConversation() {
    if (conversation_) DdeDisconnect(conversation_);
  }
  CDdeConversation(const CDdeConversation&) = delete;
  CDdeConversation& operator=(const CDdeConversation&) = delete;
  HCONV Get() const { return conversation_; }

 private:
  HCONV conversation_;
};

// ---- one bounded conversation --------------------------------------------

// One program-manager command, sent from a thread of its own: on Windows the
// connection's broadcast waits for every top-level window, and a hung one
// holds it without limit (on Windows NT 4.0 while the spooler is stopped), so
// the caller waits for the thread only so long. The block is shared by the
// caller and the thread and goes when the last of them lets go. A thread the
// caller gave up on is left inside the system's call: it owns its DDE instance
// and this block, the caller touches neither afterwards, and should the call
// ever return, the thread ends without sending the command. The thread throws
// nothing and allocates nothing; only its last Release may free the block.
struct CProgmanCommand {
  CProgmanCommand(CAccessLayer& layer, const char* text) : layer(layer) {
    CopyBounded(command, sizeof(command), text);  // it fits: checked by the caller
  }
  void Release() {
    if (InterlockedDecrement(&references) == 0) delete this;
  }

  LONG references = 2;  // the caller's and the thread's
  // Taken by whichever comes first: the thread before it sends the command,
  // or the caller when it gives up on the connection.
  LONG taken = 0;
  CAccessLayer& layer;  // read by the thread: the process-wide one is the caller's
  char command[kCommandSize] = "";
  int accepted = 0;
  UINT ddeError = DMLERR_NO_ERROR;  // of a transaction that failed
};

void Converse(CProgmanCommand& job) {
  CDdeClient client;
  if (!client.Get()) return;
  CDdeString progman(client.Get(), "PROGMAN");
  if (!progman.Get()) return;
  CDdeConversation conversation(job.layer, client.Get(), progman.Get(), progman.Get());
  if (!conversation.Get() || InterlockedExchange(&job.taken, 1) != 0) return;
  HDDEDATA result = DdeClientTransaction(
      reinterpret_cast<BYTE*>(job.command), static_cast<DWORD>(std::strlen(job.command) + 1),
      conversation.Get(), nullptr, CF_TEXT, XTYP_EXECUTE, kDdeTimeoutMs, nullptr);
  if (result) job.accepted = 1;
  else job.ddeError = DdeGetLastError(client.Get());
}

DWORD WINAPI RunConversation(void* parameter) {
  CProgmanCommand* job = static_cast<CProgmanCommand*>(parameter);
  Converse(*job);
  job->Release();
  return 0;
}

// Waits at most `limitMs` for `handle`, delivering meanwhile what other
// threads send to this thread's windows: the conversation's own broadcast
// reaches them too.
bool WaitDeliveringSentMessages(HANDLE handle, DWORD limitMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    const DWORD waited = GetTickCount() - start;
    if (waited >= limitMs) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    const DWORD left = limitMs - waited;
    if (WaitForSingleObject(handle, left < kSentMessageSliceMs ? left : kSentMessageSliceMs) !=
        WAIT_TIMEOUT)
      return true;
  }
}

void LogGaveUp(const CProgmanCommand& job, DWORD limitMs, const char* what) {
  const std::string outcome = "gave up after " + std::to_string(limitMs) + " ms: " + what;
  LogOutcome("program-manager command", Quoted(job.command), outcome.c_str());
}

// ---- shortcuts ----------------------------------------------------------

struct ShortcutFolder {
  FolderId id;
  bool withGroup;  // the group is a subfolder of it
};
const ShortcutFolder kProgramsFolders[] = {{kFolderPrograms, true}, {kFolderCommonPrograms, true}};
const ShortcutFolder kStartupFolders[] = {
    {kFolderPrograms, true},       {kFolderCommonPrograms, true},  {kFolderStartup, false},
    {kFolderAltStartup, false},    {kFolderCommonStartup, false},  {kFolderCommonAltStartup, false}};

// A program-manager name: none of the characters that would end the command
// and start another ("[DeleteGroup(x)][DeleteGroup(y)]").
bool IsCommandSafe(const char* name) { return !std::strpbrk(name, "[]()\""); }

// A group as a subfolder: relative, and no "." or ".." parts.
bool IsSafeGroupFolder(const char* group) {
  if (!*group || group[0] == '\\' || std::strchr(group, ':') || std::strchr(group, '/'))
    return false;
  std::string text = group;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\\', start);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(start, end - start);
    if (part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

int SendFormatted(const char* format, const char* name) {
  if (!IsCommandSafe(name)) return 0;
  char command[kCommandSize];
  const int n = std::snprintf(command, sizeof(command), format, name);
  // A cut command could name another group or item: not sent.
  if (n < 0 || n >= kCommandSize) return 0;
  return SendProgmanCommand(command);
}

void DeleteShortcutFiles(CRemovalContext& ctx, const char* group, const char* item,
                         bool startup) {
  CFileSpec itemSpec(ctx.os);
  itemSpec.SetPath(item);
  const std::string name = itemSpec.Name(), extension = itemSpec.Extension();
  const std::string asNamed = name + extension;
  if (asNamed.empty() || asNamed == "." || asNamed == ".." || std::strpbrk(asNamed.c_str(), ":*?"))
    return;
  const bool groupUsable = IsSafeGroupFolder(group);
  const ShortcutFolder* rows = startup ? kStartupFolders : kProgramsFolders;
  const int count = startup ? 6 : 2;
  for (int i = 0; i < count; ++i) {
    if (rows[i].withGroup && !groupUsable) continue;
    CFileSpec folder(ctx.os);
    folder.SetFolder(rows[i].id);
    if (!folder.FolderPath()[0]) continue;  // this system has no such folder
    std::string path = rows[i].withGroup ? folder.AppendSubfolder(group) : folder.FolderPath();
    if (path.empty()) continue;
    for (const std::string& file : {asNamed, name + ".LNK", name + ".PIF"}) {
      if (path.size() + file.size() > kFieldChars) continue;
      // Shortcut files that had to be scheduled do not ask for a restart.
      DeleteOrSchedule(ctx.os, (path + file).c_str());
    }
  }
}

// Keeps what the program manager takes with a group, both the user's and
// the common one, in the backup; false when a folder could not be saved.
bool SaveGroupFolders(CRemovalContext& ctx, const char* group) {
  if (!IsSafeGroupFolder(group)) return true;
  for (const ShortcutFolder& row : kProgramsFolders) {
    CFileSpec folder(ctx.os);
    folder.SetFolder(row.id);
    if (!folder.FolderPath()[0]) continue;
    const std::string path = folder.AppendSubfolder(group);
    if (!path.empty() && !Journal().BeforeFolderTreeGoes(path)) return false;
  }
  return true;
}

// The group part of a Shortcuts item, quotes stripped.
std::string GroupOf(const std::string& entry) {
  std::string group = entry.substr(0, entry.find(','));
  TrimChar(group, '"');
  return group;
}

// Whether a script names a shortcut in `group` that this run does not remove
// (the disguise tool's, a kept printer's): deleting the whole group through
// the program manager would take it too.
bool GroupHoldsShortcutsThatStay(const CUninstallDatabase& db, const std::string& group) {
  const ItemList& removed = db.removal.List(kShortcuts);
  for (const CUninstallProfile& profile : db.profiles)
    for (const std::string& item : profile.List(kShortcuts)) {
      if (item.find(',') == std::string::npos || !EqualNoCase(GroupOf(item), group)) continue;
      const bool goes = std::any_of(removed.begin(), removed.end(),
                                    [&](const std::string& r) { return EqualNoCase(r, item); });
      if (!goes) return true;
    }
  return false;
}

void RemoveShortcut(CRemovalContext& ctx, const std::string& entry) {
  char text[kFieldChars + 1];
  if (!CopyBounded(text, sizeof(text), entry.c_str())) return;
  char* item = SplitAt(text, ',');
  char* location = SplitAt(item, ',');
  char* group = text;
  if (!*group) return;
  TrimChar(group, '"');
  if (!item || !*item) {
    if (GroupHoldsShortcutsThatStay(*ctx.database, group))
      LogOutcome("delete program group", Quoted(group), "kept: it holds shortcuts that stay");
    else if (!SaveGroupFolders(ctx, group))
      LogOutcome("delete program group", Quoted(group), "failed: its folder could not be saved in the backup");
    else if (SendFormatted("[DeleteGroup(%s)]", group))
      LogAction("delete program group", Quoted(group));
    return;
  }
  TrimChar(item, '"');
  if (ctx.os.IsWin32s()) {
    if (SendFormatted("[ShowGroup(%s,1)]", group)) SendFormatted("[DeleteItem(%s)]", item);
    return;
  }
  if (location) TrimChar(location, '"');
  DeleteShortcutFiles(ctx, group, item, location && EqualNoCase(location, "STARTUP"));
}

// ---- INF copies ---------------------------------------------------------

// The driver an INF copy installs: its [Strings] PrinterName.
std::string PrinterNameOf(const std::string& path) {
  char printerName[256] = "";
  GetPrivateProfileStringA("Strings", "PrinterName", "", printerName, sizeof(printerName),
                           path.c_str());
  return printerName;
}

// The drivers this run deleted, or the removal set names (an earlier run
// that ended part-way may have deleted them), that no environment has any
// more: an INF copy that installs exactly one of them goes; one of another
// model ("... PS Color") or of a driver that stays does not.
std::vector<std::string> DriversGone(const CRemovalContext& ctx) {
  std::vector<std::string> candidates = ctx.removedDrivers;
  for (const std::string& driver : ctx.database->removal.List(kDrivers)) candidates.push_back(driver);
  if (candidates.empty()) return {};
  std::vector<std::string> installed;
  for (const char* environment : ctx.environments) {
    const std::vector<std::string> names =
        EnumeratedNames<DRIVER_INFO_1A>([&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
          return Access().EnumPrinterDriversA(nullptr, const_cast<char*>(environment), 1, data,
                                              size, needed, count);
        });
    installed.insert(installed.end(), names.begin(), names.end());
  }
  std::vector<std::string> gone;
  for (const std::string& driver : candidates) {
    if (std::none_of(installed.begin(), installed.end(),
                     [&](const std::string& name) { return EqualNoCase(name, driver); }))
      gone.push_back(driver);
  }
  NormaliseList(gone);
  return gone;
}

bool NamesOneOf(const std::string& path, const std::vector<std::string>& drivers) {
  const std::string printerName = PrinterNameOf(path);
  for (const std::string& driver : drivers)
    if (EqualNoCase(printerName, driver)) return true;
  return false;
}

// Deletes the files of `folder` matching `pattern` that install one of
// `drivers` with `remove` (called with the folder and the file name, a BOOL
// result and GetLastError as DeleteFileA's); `deleted` is told each deleted path.
template <typename Remove, typename OnDeleted, typename WhyItStays>
void DeleteInfCopies(const std::string& folder, const char* pattern,
                     const std::vector<std::string>& drivers, Remove remove, OnDeleted deleted,
                     WhyItStays whyItStays) {
  WIN32_FIND_DATAA found;
  CFindHandle find(FindFirstFileA((folder + pattern).c_str(), &found));
  if (!find.IsValid()) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string path = folder + found.cFileName;
    if (path.size() > kFieldChars || !NamesOneOf(path, drivers)) continue;
    const std::string why = whyItStays(found.cFileName);
    if (!why.empty()) {
      LogOutcome("delete INF copy", Quoted(path), why.c_str());
      continue;
    }
    Access().SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!remove(folder, found.cFileName)) {
      LogAction("delete INF copy", Quoted(path), GetLastError());  // a copy that stays costs only the file
      continue;
    }
    LogAction("delete INF copy", Quoted(path));
    deleted(path);
  } while (FindNextFileA(find.Get(), &found));
}

BOOL DeleteInfFile(const std::string& folder, const char* fileName) {
  return Access().DeleteFileA((folder + fileName).c_str());
}

// An INF copy of <Windows>\inf goes through the device installer, which takes
// its precompiled .pnf and its records of it too; before Windows XP, which
// has no way to ask it, as a file. A device installer that reports success
// and leaves the copy (Wine's does) has the file deleted after it, so that
// "ok" always means the copy is gone.
BOOL UninstallOemInf(const std::string& folder, const char* fileName) {
  if (Access().SetupUninstallOEMInfA(fileName, 0, nullptr)) {
    if (DeleteInfFile(folder, fileName)) return TRUE;
    return GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return FALSE;
  return DeleteInfFile(folder, fileName);
}

// Windows Vista and later: why the INF copy `fileName` of <Windows>\inf must
// stay because its package in the driver store is still an installed
// driver's, of any environment (SetupUninstallOEMInf would take the package
// with it: it looks for devices, not for the spooler's drivers); empty when
// it may go. When the package cannot be looked up, the copy stays.
std::string WhyPackageStays(const CRemovalContext& ctx, const char* fileName) {
  if (!ctx.os.IsVistaOrLater()) return std::string();
  char package[MAX_PATH * 2] = "";
  DWORD needed = 0;
  if (!Access().SetupGetInfDriverStoreLocationA(fileName, package, sizeof(package), &needed)) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NOT_FOUND ||
        error == ERROR_CALL_NOT_IMPLEMENTED)
      return std::string();  // no package of its own in the store
    return "kept: its driver-store package cannot be looked up (error " +
           std::to_string(error) + ")";
  }
  for (const char* environment : ctx.environments)
    for (const auto& driver : InfPathsOfDrivers(environment))
      if (EqualNoCase(driver.second, package))
        return "kept: its driver-store package is used by driver " + Quoted(driver.first);
  return std::string();
}

std::string WindowsFolder(const COsVersion& os) {
  CFileSpec place(os);
  place.SetFolder(kFolderWindows);
  return place.FolderPath();
}

}  // namespace

std::vector<std::string> FolderValues(const COsVersion& os, const char* keyPath) {
  std::vector<std::string> folders;
  for (REGSAM view : RegistryViews(os)) {
    CRegKey key;
    if (key.OpenEx(HKEY_LOCAL_MACHINE, keyPath, KEY_ALL_ACCESS | view) != ERROR_SUCCESS) continue;
    for (DWORD index = 0; index < kMaxOemPathValues; ++index) {
      char name[260], data[261];
      DWORD nameSize = sizeof(name), dataSize = sizeof(data) - 1;
      const LONG rc = Access().RegEnumValueA(key.Get(), index, name, &nameSize, nullptr, nullptr,
                                             reinterpret_cast<BYTE*>(data), &dataSize);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc != ERROR_SUCCESS) continue;  // data over 260 bytes: no folder of ours
      data[dataSize < sizeof(data) ? dataSize : sizeof(data) - 1] = '\0';
      if (data[0]) folders.push_back(data);
    }
  }
  return folders;
}

void CollectOemFolders(CRemovalContext& ctx) {
  ItemList& folders = ctx.database->removal.List(kOemFolders);
  for (const std::string& folder : FolderValues(ctx.os, kOemPathsKey)) folders.push_back(folder);
  NormaliseList(folders);
}

void RemoveShortcuts(CRemovalContext& ctx) {
  ItemList& shortcuts = ctx.database->removal.List(kShortcuts);
  NormaliseList(shortcuts);
  for (auto it = shortcuts.rbegin(); it != shortcuts.rend(); ++it) RemoveShortcut(ctx, *it);
}

int SendProgmanCommand(const char* command) {
  // A cut command could name another group or item: not sent.
  if (!command || std::strlen(command) >= kCommandSize) return 0;
  if (Access().ChangesNothing()) return 1;  // a plan: the program manager would take it
  CProgmanCommand* job = new CProgmanCommand(Access(), command);
  DWORD threadId = 0;
  CKernelHandle thread(CreateThread(nullptr, 0, RunConversation, job, 0, &threadId));
  if (!thread.IsValid()) {
    delete job;  // no thread holds it
    return 0;
  }
  int accepted = 0;
  if (!WaitDeliveringSentMessages(thread.Get(), kDdeConnectLimitMs) &&
      InterlockedExchange(&job->taken, 1) == 0) {
    LogGaveUp(*job, kDdeConnectLimitMs, "no answer to the connection");
  } else if (!WaitDeliveringSentMessages(thread.Get(), kDdeTimeoutMs + kDdeDisconnectLimitMs)) {
    LogGaveUp(*job, kDdeTimeoutMs + kDdeDisconnectLimitMs, "the conversation did not end");
  } else {
    accepted = job->accepted;
    if (job->ddeError == DMLERR_EXECACKTIMEOUT)
      LogGaveUp(*job, kDdeTimeoutMs, "the program manager did not answer the command");
  }
  job->Release();
  return accepted;
}

void RemoveOemInfFiles(CRemovalContext& ctx) {
  const std::vector<std::string> drivers = DriversGone(ctx);
  const std::string windows = WindowsFolder(ctx.os);
  if (drivers.empty() || windows.empty()) return;
  DeleteInfCopies(windows + "inf\\", "oem*.inf", drivers, UninstallOemInf,
                  [](const std::string&) {},
                  [&](const char* fileName) { return WhyPackageStays(ctx, fileName); });
}

void RemoveWin9xInfFiles(CRemovalContext& ctx) {
  const std::vector<std::string> drivers = DriversGone(ctx);
  const std::string windows = WindowsFolder(ctx.os);
  if (drivers.empty() || windows.empty()) return;
  DeleteInfCopies(windows + "inf\\other\\", "VARDEN QUILLANQ9x____*.inf", drivers,
                  DeleteInfFile, [](const std::string& path) {
                    CRegKey key;
                    if (key.OpenEx(HKEY_LOCAL_MACHINE, kOemNameKey, KEY_ALL_ACCESS) ==
                        ERROR_SUCCESS)
                      Access().RegDeleteValueA(key.Get(), path.c_str());
                  },
                  [](const char*) { return std::string(); });
}

}  // namespace vq
