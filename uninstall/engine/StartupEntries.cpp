#include "uninstall/engine/StartupEntries.h"

#include "uninstall/engine/ActionLog.h"

#include <cstring>
#include <string>

#include "uninstall/engine/ChangeJournal.h"
#include "uninstall/engine/IniLineEdit.h"
#include "uninstall/engine/UserMessages.h"
#include "uninstall/engine/Wow64.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"
#include "uninstall/system/Handles.h"
#include "uninstall/system/SpoolerHandles.h"

namespace vq {

namespace {

// What a hook export receives: the page window, its instance, the tool's
// folder and a reserved 0. Its result is not used.
using HookExport = void(WINAPI*)(HWND window, HINSTANCE instance, const char* toolFolder,
                                 void* reserved);

// The wait after a hook returns, before its DLL is unloaded: an add-on may
// still be finishing work it started.
constexpr DWORD kHookSettleMs = 1000;

const char kFixedRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr int kLoadLineSize = 256;

// The file name and extension of an item's file field; empty when none.
std::string FileNameOf(const char* field) {
  CFileSpec place;
  place.SetPath(field);
  return std::string(place.Name()) + place.Extension();
}

// Whether `folder` + `file` opens; never for an unresolved (empty) folder.
bool FileOpens(const std::string& folder, const std::string& file) {
  if (folder.empty() || folder.size() + file.size() > kFieldChars) return false;
  CFileSpec place;
  place.SetPath((folder + file).c_str());
  return place.FileExists();
}

void CallHook(CRemovalContext& ctx, const std::string& folder, const std::string& dll,
              const char* exportName, const std::string& toolFolder) {
  const std::string logged = Quoted(dll + "," + exportName);
  // Said before it runs, in a plan too: an administrator knows it up front.
  LogOutcome("not restorable", logged, "what an add-on's hook does inside its own library");
  if (Access().ChangesNothing()) {  // a plan: whether the add-on runs is known only by running it
    LogOutcome("call hook", logged, "planned");
    return;
  }
  SetCurrentDirectoryA(folder.c_str());
  CModule module(LoadLibraryA(dll.c_str()));
  if (!module.IsValid()) {
    const DWORD error = GetLastError();
    // An add-on that is not installed has nothing to clean up.
    if (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND)
      LogOutcome("call hook", logged, "not installed: nothing to call");
    else
      LogAction("call hook", logged, error);
    return;
  }
  auto hook = reinterpret_cast<HookExport>(
      reinterpret_cast<void*>(GetProcAddress(module.Get(), exportName)));
  if (hook) {
    Journal().CannotRestore("hook", dll + "," + exportName);
    HINSTANCE instance =
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(ctx.pageWindow, GWLP_HINSTANCE));
    hook(ctx.pageWindow, instance, toolFolder.c_str(), nullptr);
  }
  if (hook) LogAction("call hook", logged);
  else LogOutcome("call hook", logged, "the library has no such export: nothing to call");
  Sleep(kHookSettleMs);
}

// Finds `command` in `line` as a whole word (starting the line or after a
// space, followed by a space or the end); npos when it is not there.
std::size_t FindWord(const std::string& line, const std::string& command) {
  for (std::size_t at = line.find(command); at != std::string::npos;
       at = line.find(command, at + 1)) {
    const std::size_t end = at + command.size();
    if ((at == 0 || line[at - 1] == ' ') && (end == line.size() || line[end] == ' ')) return at;
  }
  return std::string::npos;
}

std::string LowerCase(const char* text) {
  char buffer[kLoadLineSize];
  CopyBounded(buffer, sizeof(buffer), text);
  CharLowerA(buffer);
  return buffer;
}

int RemoveLoadWord(const char* command) {
  if (Access().ChangesNothing()) return 0;  // Win32s only; a plan does not rewrite win.ini
  WriteProfileStringA(nullptr, nullptr, nullptr);  // read what is on disk
  char line[kLoadLineSize] = "";
  GetProfileStringA("windows", "Load", "", line, sizeof(line));
  const std::string lower = LowerCase(line), word = LowerCase(command);
  if (word.empty()) return 0;
  const std::size_t at = FindWord(lower, word);
  if (at == std::string::npos) return 0;
  std::size_t end = at + word.size();
  if (end < lower.size()) ++end;  // the one space after it
  const std::string updated = lower.substr(0, at) + lower.substr(end);
  const int result = WriteProfileStringA("windows", "load", updated.c_str()) ? 1 : 0;
  WriteProfileStringA(nullptr, nullptr, nullptr);
  return result;
}

}  // namespace

void RunHooks(CRemovalContext& ctx) {
  const ItemList& hooks = ctx.database->removal.List(kHooks);
  if (hooks.empty()) return;
  CFileSpec driver(ctx.os), tool(ctx.os);
  driver.SetFolder(kFolderPrinterDriver);
  tool.SetFolder(kFolderProgram);
  const std::string driverFolder = driver.FolderPath(), toolFolder = tool.FolderPath();
  for (const std::string& item : hooks) {
    char text[kFieldChars + 1];
    if (!CopyBounded(text, sizeof(text), item.c_str())) continue;
    const char* exportName = SplitAt(text, ',');
    if (!exportName || !*text || !*exportName) continue;
    const std::string file = FileNameOf(text);
    if (file.empty()) continue;
    std::string folder = driverFolder;
    if (!FileOpens(driverFolder, file) && FileOpens(toolFolder, file)) folder = toolFolder;
    // An unresolved folder would load the DLL by the system's search order.
    if (!folder.empty() && folder.size() + file.size() <= kFieldChars)
      CallHook(ctx, folder, folder + file, exportName, toolFolder);
    SetCurrentDirectoryA(toolFolder.c_str());
  }
}

void RemoveIniEntries(CRemovalContext& ctx) {
  CFileSpec windows(ctx.os);
  windows.SetFolder(kFolderWindows);
  const std::string folder = windows.FolderPath();
  if (folder.empty()) return;
  for (const std::string& item : ctx.database->removal.List(kDeleteIni)) {
    char text[kFieldChars + 1];
    if (!CopyBounded(text, sizeof(text), item.c_str())) continue;
    char* section = SplitAt(text, ',');
    char* entry = SplitAt(section, ',');
    SplitAt(entry, ',');  // anything after a third comma is ignored
    if (!entry || !*text || !*section || !*entry) continue;
    const std::string file = FileNameOf(text);  // always the Windows folder's file
    if (file.empty()) continue;
    const std::string path = folder + file;
    if (!FindKeyInSection(path, section, entry)) continue;
    const std::string line = Quoted(path) + " [" + section + "] " + entry;
    if (Access().ChangesNothing() || DeleteLineInSection(path, section, entry))
      LogAction("delete INI line", line);
    else LogOutcome("delete INI line", line, "failed: the file could not be replaced");
  }
}

void RemoveLoadRunEntries(CRemovalContext& ctx) {
  for (const std::string& item : ctx.database->removal.List(kDeleteLoadRun)) {
    char text[kFieldChars + 1];
    if (!CopyBounded(text, sizeof(text), item.c_str())) continue;
    char* command = SplitAt(text, ',');
    if (!command || !*text || !*command) continue;
    TrimChar(text, '"');
    TrimChar(command, '"');
    RemoveLoadRunEntry(ctx, text, command);
  }
}

int RemoveLoadRunEntry(CRemovalContext& ctx, const char* valueName, const char* command) {
  if (ctx.os.IsWin32s()) return command ? RemoveLoadWord(command) : 0;
  if (!valueName || !*valueName) return 0;  // the key's default value is not an entry
  // The Run key's name is string 5001, so that a settings file can redirect it.
  const std::string runKey = UserText(IDS_RUNKEY);
  if (runKey.empty()) return 0;  // no name to open: nothing is deleted
  int deleted = 0;
  // On 64-bit Windows the Run key has two views, and a 64-bit installer
  // writes to the other one than a 32-bit one.
  for (REGSAM view : RegistryViews(ctx.os)) {
    CRegKey run;
    if (run.Open(HKEY_LOCAL_MACHINE, runKey.c_str(), view) != ERROR_SUCCESS) continue;
    const LONG rc = Access().RegDeleteValueA(run.Get(), valueName);
    if (rc != ERROR_FILE_NOT_FOUND)
      LogAction("delete Run value", Quoted(valueName) + ViewText(view), static_cast<DWORD>(rc));
    if (rc == ERROR_SUCCESS) deleted = 1;
  }
  return deleted;
}

void AddLoadRunEntry(CRemovalContext& ctx, const char* valueName, const char* command) {
  if (!command) return;
  if (!ctx.os.IsWin32s()) {
    CRegKey run;
    if (run.Open(HKEY_LOCAL_MACHINE, kFixedRunKey) != ERROR_SUCCESS) return;
    Access().RegSetValueExA(run.Get(), valueName, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(command),
                            static_cast<DWORD>(std::strlen(command) + 1));
    return;
  }
  char line[kLoadLineSize] = "";
  GetProfileStringA("windows", "Load", "", line, sizeof(line));
  if (std::strstr(line, command)) return;
  std::string updated = line;
  updated += ' ';
  updated += command;
  // The profile functions keep whatever length; the tool reads the line in
  // 256 bytes, so a longer one would come back cut.
  if (updated.size() >= kLoadLineSize) return;
  WriteProfileStringA("windows", "Load", updated.c_str());
}

}  // namespace vq
