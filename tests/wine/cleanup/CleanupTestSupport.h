// Shared ground of the removal-phase tests: a context with the folder lists
// of a run, small file and registry helpers, and files held open.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "uninstall/engine/RemovalContext.h"
#include "uninstall/profile/UninstallDatabase.h"

namespace cleanup_test {

// A database and a context as a run has them when the phases of these tests
// start: folder lists built, the Windows version `os`.
struct TestRun {
  explicit TestRun(const vq::COsVersion& os = vq::COsVersion::FromSystem());
  vq::CUninstallDatabase db;
  vq::CRemovalContext ctx;
  vq::ItemList& List(vq::Category c) { return db.removal.List(c); }
};

vq::COsVersion Win32s();
vq::COsVersion Win98();
vq::COsVersion WinXP();

std::string WindowsFolder();
std::string SystemFolder();
std::string DriverFolder();
std::string ToolFolder();

bool WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);
bool FolderExists(const std::string& path);
// Creates every file of `paths` (folders as needed).
void CreateFiles(const std::vector<std::string>& paths);

// A file opened without sharing deletion, as a running program holds it.
class CHeldFile {
 public:
  explicit CHeldFile(const std::string& path);
  ~CHeldFile();
  CHeldFile(const CHeldFile&) = delete;
  CHeldFile& operator=(const CHeldFile&) = delete;
  bool IsHeld() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// The paths in HKLM\...\Session Manager PendingFileRenameOperations.
std::vector<std::string> PendingDeletions();
void ClearPendingDeletions();

}  // namespace cleanup_test
