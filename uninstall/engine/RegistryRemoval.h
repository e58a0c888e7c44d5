// The registry phase of an uninstall run: the maker's program-groups key and
// every key or value named by the removal set's RegistryKeys items, whole
// trees where asked, with the key's access list opened up where Windows NT
// refuses the deletion.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "uninstall/engine/RemovalContext.h"

namespace vq {

// Deletes the program-groups key when no printer stays, then handles the
// RegistryKeys items in descending order (a sub key before its parent).
// Failures are logged; refused keys and values are skipped and logged.
void RemoveRegistryItems(CRemovalContext& ctx);

// Keys that the keep set (kept printers, catch-all and ignore entries) names,
// by a key item or a value item: a tree deletion leaves them, and the keys
// that hold them, in place.
class CKeptKeys {
 public:
  CKeptKeys() = default;
  explicit CKeptKeys(const std::vector<std::string>& keptItems);
  // `path` is a kept key or holds one.
  bool Holds(HKEY root, const char* path) const;
  // `path` is a kept key itself.
  bool IsKept(HKEY root, const char* path) const;

 private:
  struct Key {
    HKEY root;
    std::vector<std::string> parts;
  };
  std::vector<Key> keys_;
};

// `view`, in these functions: the registry view (KEY_WOW64_64KEY or
// KEY_WOW64_32KEY) on 64-bit Windows, 0 elsewhere.

// Deletes `path` below `root` and all its subkeys, except kept keys and the
// keys that hold them. 1 when the key is gone. Refuses protected keys (0).
int DeleteKeyTree(HKEY root, const char* path, const CKeptKeys* kept = nullptr, REGSAM view = 0);

// A key's access list as it was before GrantKeyAccess replaced it. Unless
// Forget() is called (the key was deleted), the destructor writes it back.
class CSavedKeySecurity {
 public:
  CSavedKeySecurity() = default;
  ~CSavedKeySecurity() { Restore(); }
  CSavedKeySecurity(const CSavedKeySecurity&) = delete;
  CSavedKeySecurity& operator=(const CSavedKeySecurity&) = delete;

  bool Save(HKEY key, HKEY root, const char* path, REGSAM view = 0);
  void Forget() { descriptor_.clear(); }
  // Puts the saved access list back on the key, when it still exists.
  void Restore();

 private:
  HKEY root_ = nullptr;
  std::string path_;
  REGSAM view_ = 0;
  std::vector<BYTE> descriptor_;
};

// Replaces the key's access list by one entry that gives everyone full
// control, keeping the original in `original` (which puts it back unless the
// caller forgets it after a successful deletion). 1 when replaced; 0, with
// nothing changed, when the key does not open, its access list cannot be
// read, or the key is protected.
int GrantKeyAccess(HKEY root, const char* path, CSavedKeySecurity& original, REGSAM view = 0);

// A key as the log shows it: "HKLM\\path", quoted, and on 64-bit Windows
// its view: "HKLM\\path" (64-bit view).
std::string KeyText(HKEY root, const char* path, REGSAM view = 0);

// Deletes `subKey` of `parent` only when it has no subkeys, and answers
// ERROR_ACCESS_DENIED, as Windows NT does, for one that still has some.
// win95, win98, me: RegDeleteKeyA deletes a key with all its subkeys, kept
// ones included; so every deletion of the tool goes through here, depth first.
LONG DeleteKeyIfLeaf(HKEY parent, const char* subKey, REGSAM view = 0);

// Keys whose loss breaks Windows: any root itself, the root's direct children
// of the machine and the users, a fixed list (SOFTWARE\Microsoft,
// SYSTEM\CurrentControlSet, its Control, Services and Control\Print keys,
// ...), and the classes root's containers (CLSID, Interface, TypeLib, AppID,
// "*", Directory, Folder, Drive, exefile, the system's file types, ...). The
// printer, driver, monitor and print-processor keys below them and the
// maker's keys, ProgIDs, file types and CLSID-named keys are not.
bool IsProtectedKey(HKEY root, const char* path);

// Values Windows reads to start, log anyone on or find its folders: every
// value of keys such as Winlogon (Userinit, Shell), Session Manager and its
// Environment, and the root's direct children. The Run keys' values are not.
bool IsProtectedValue(HKEY root, const char* path, const char* valueName);

}  // namespace vq
