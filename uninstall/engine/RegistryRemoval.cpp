#include "uninstall/engine/RegistryRemoval.h"

#include "uninstall/engine/ActionLog.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "uninstall/engine/Wow64.h"
#include "uninstall/profile/NameFolding.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/system/Handles.h"
#include "uninstall/system/SpoolerHandles.h"

namespace vq {

namespace {

const char kProgramGroupsKey[] = "SOFTWARE\\VARDEN QUILLAN\\OEM02\\ProgramGroups";

// Longest RegistryKeys item handled; a longer one is skipped whole, as cutting
// it could name another key.
constexpr std::size_t kItemChars = 255;
// Subkeys read at one level of DeleteKeyTree before it gives up (a key that
// keeps reporting deleted subkeys must not hold the run forever).
constexpr int kMaxSubkeyReads = 100000;

// A SID the system allocated (AllocateAndInitializeSid), given back with FreeSid.
struct SidTraits {
  using Type = PSID;
  static Type Invalid() { return nullptr; }
  static void Release(Type h) { FreeSid(h); }
};
using CSid = CHandleOwner<SidTraits>;

// ---- the guard ----------------------------------------------------------

// Keys of the local machine, of a user (HKCU, HKU\<user>) and of the classes
// root whose loss breaks Windows. "*" stands for any one component. Every
// ancestor of a listed key is listed too (or has one component), so a tree
// deletion that starts at an allowed key never reaches a listed one.
const char* const kMachineKeys[] = {
    "SOFTWARE\\Classes",
    "SOFTWARE\\Microsoft",
    "SOFTWARE\\Microsoft\\Windows",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "SOFTWARE\\Microsoft\\Windows NT",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
    "SOFTWARE\\Policies",
    "SOFTWARE\\Wow6432Node",
    "SYSTEM\\CurrentControlSet",
    "SYSTEM\\CurrentControlSet\\Control",
    "SYSTEM\\CurrentControlSet\\Control\\Class",
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
    "SYSTEM\\CurrentControlSet\\Control\\Print",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Providers",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Forms",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\*",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\*\\Drivers",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\*\\Drivers\\Version-0",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\*\\Drivers\\Version-1",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\*\\Drivers\\Version-2",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\*\\Drivers\\Version-3",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\*\\Print Processors",
    "SYSTEM\\CurrentControlSet\\Enum",
    "SYSTEM\\CurrentControlSet\\Hardware Profiles",
    "SYSTEM\\CurrentControlSet\\Services",
    "SYSTEM\\CurrentControlSet\\Services\\Spooler",
    "SYSTEM\\MountedDevices",
    "SYSTEM\\Select",
    "SYSTEM\\Setup",
};
const char* const kUserKeys[] = {
    "Control Panel\\Desktop",
    "Control Panel\\International",
    "Printers\\Connections",
    "Printers\\DevModes2",
    "Printers\\Settings",
    "Software\\Classes",
    "Software\\Microsoft",
    "Software\\Microsoft\\Windows",
    "Software\\Microsoft\\Windows\\CurrentVersion",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "Software\\Microsoft\\Windows NT",
    "Software\\Microsoft\\Windows NT\\CurrentVersion",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
    "Software\\Policies",
};
// The classes root's own containers and the classes every program relies on.
// A maker's ProgID, file type or CLSID-named key below them is the maker's.
const char* const kClassKeys[] = {
    "*", "*\\shell", "*\\shellex", "AllFilesystemObjects", "AppID", "Applications",
    "batfile", "batfile\\shell", "batfile\\shell\\open", "batfile\\shell\\open\\command",
    "CLSID", "cmdfile", "cmdfile\\shell", "cmdfile\\shell\\open", "cmdfile\\shell\\open\\command",
    "comfile", "comfile\\shell", "comfile\\shell\\open", "comfile\\shell\\open\\command",
    "Component Categories", "Directory", "Directory\\shell", "Directory\\shellex", "dllfile",
    "Drive", "Drive\\shell", "Drive\\shellex", "exefile", "exefile\\shell", "exefile\\shell\\open",
    "exefile\\shell\\open\\command", "file", "Folder", "Folder\\shell", "Folder\\shellex",
    "ftp", "htmlfile", "http", "https", "inffile", "inifile", "Interface", "lnkfile", "mailto",
    "MIME", "MIME\\Database", "Network", "piffile", "Printers", "Protocols", "regfile",
    "SystemFileAssociations", "txtfile", "TypeLib", "Unknown", ".bat", ".cmd", ".com", ".dll",
    ".exe", ".hlp", ".htm", ".html", ".inf", ".ini", ".lnk", ".pif", ".reg", ".sys", ".txt",
};

// Keys whose values Windows itself reads to start, log anyone on or find its
// folders: no value of them is a script's to delete, whatever its name. A key
// item below them is judged by the key guard.
const char* const kMachineValueKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
    "SYSTEM\\CurrentControlSet\\Control",
    "SYSTEM\\CurrentControlSet\\Control\\Print",
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\KnownDLLs",
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management",
    "SYSTEM\\CurrentControlSet\\Services\\Spooler",
    "SYSTEM\\Setup",
};
const char* const kUserValueKeys[] = {
    "Environment",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
};

using Components = std::vector<std::string>;

// Splits at backslashes, dropping empty components ("A\\\B\" is A, B).
Components SplitKeyPath(const char* path) {
  Components parts;
  std::string part;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += *p;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// "ControlSet001" and its siblings are what CurrentControlSet links to.
bool IsNumberedControlSet(const std::string& part) {
  if (part.size() != 13 || !StartsWithNoCase(part, "ControlSet")) return false;
  return std::all_of(part.begin() + 10, part.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// `wildcard`: a "*" component of the pattern stands for any one component
// (the machine's and the users' lists); without it "*" is the key of that
// name (the classes root's key for all files).
bool MatchesPattern(const Components& parts, const char* pattern, bool wildcard) {
  const Components want = SplitKeyPath(pattern);
  if (want.size() != parts.size()) return false;
  for (std::size_t i = 0; i < want.size(); ++i)
    if (!(wildcard && want[i] == "*") && !EqualNames(want[i], parts[i])) return false;
  return true;
}

template <std::size_t N>
bool IsListed(const Components& parts, const char* const (&list)[N], bool wildcard = true) {
  for (const char* pattern : list)
    if (MatchesPattern(parts, pattern, wildcard)) return true;
  return false;
}

// A key of the local machine or a user: a root's direct child is always
// Windows' ("SOFTWARE", "SYSTEM", "Control Panel", ...).
template <std::size_t N>
bool IsListedOrTopLevel(const Components& parts, const char* const (&list)[N]) {
  return parts.size() < 2 || IsListed(parts, list);
}

// A key of the classes root (HKCR, or Software\Classes of HKLM or HKCU):
// the root itself and its listed containers.
bool IsProtectedClassKey(const Components& parts) {
  return parts.empty() || IsListed(parts, kClassKeys, /*wildcard=*/false);
}



// The part of `parts` after a leading "Software\Classes" (the classes root as
// seen from HKLM or HKCU); false when it does not start so.
bool BelowClasses(const Components& parts, Components& rest) {
  if (parts.size() < 2 || !EqualNoCase(parts[0], "Software") || !EqualNoCase(parts[1], "Classes"))
    return false;
  rest.assign(parts.begin() + 2, parts.end());
  return true;
}

// 64-bit Windows keeps the 32-bit view of a key below a "Wow6432Node" key;
// "SOFTWARE\Wow6432Node\Microsoft" is Windows' as much as
// "SOFTWARE\Microsoft", so the guard reads the path without it.
void DropWow64Node(Components& parts, std::size_t at) {
  if (parts.size() > at && EqualNoCase(parts[at], "Wow6432Node"))
    parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(at));
}

// Drops the "Wow6432Node" of the classes root and of Software (and of
// Software\Classes) of `root` from `parts`.
void DropViewNodes(HKEY root, Components& parts) {
  if (root == HKEY_CLASSES_ROOT) {
    DropWow64Node(parts, 0);
  } else if (parts.size() >= 2 && EqualNoCase(parts[0], "Software")) {
    DropWow64Node(parts, 1);
    if (parts.size() >= 3 && EqualNoCase(parts[1], "Classes")) DropWow64Node(parts, 2);
  }
}

// The parts of a key's path without the "Wow6432Node" that names its 32-bit
// view: a kept key keeps its twin of the other view as well.
Components ViewFreeParts(HKEY root, const char* path) {
  Components parts = SplitKeyPath(path);
  DropViewNodes(root, parts);
  return parts;
}

// The parts of `path` below `root` as the machine's or the user's keys, with
// "ControlSetNNN" read as CurrentControlSet and HKU\<user> read as HKCU.
// False when the key lies below the classes root (then `classes` holds the
// parts below it) or the root is none of the four.
enum class KeyArea { kMachine, kUser, kClasses, kOther };
KeyArea AreaOf(HKEY root, const char* path, Components& parts) {
  parts = SplitKeyPath(path);
  if (root == HKEY_USERS) {
    if (parts.empty()) return KeyArea::kOther;
    parts.erase(parts.begin());
    root = HKEY_CURRENT_USER;
  }
  DropViewNodes(root, parts);
  if (root == HKEY_CLASSES_ROOT) return KeyArea::kClasses;
  if (root != HKEY_CURRENT_USER && root != HKEY_LOCAL_MACHINE) return KeyArea::kOther;
  Components rest;
  if (BelowClasses(parts, rest)) {
    parts = rest;
    return KeyArea::kClasses;
  }
  if (root == HKEY_CURRENT_USER) return KeyArea::kUser;
  if (parts.size() >= 2 && EqualNoCase(parts[0], "SYSTEM") && IsNumberedControlSet(parts[1]))
    parts[1] = "CurrentControlSet";
  return KeyArea::kMachine;
}

// ---- registry items -----------------------------------------------------

HKEY RootOfKeyword(const char* keyword) {
  if (EqualNoCase(keyword, "HKLM")) return HKEY_LOCAL_MACHINE;
  if (EqualNoCase(keyword, "HKCR")) return HKEY_CLASSES_ROOT;
  if (EqualNoCase(keyword, "HKCU")) return HKEY_CURRENT_USER;
  if (EqualNoCase(keyword, "HKU")) return HKEY_USERS;
  return nullptr;
}

// One RegistryKeys item: root keyword, sub key and value name with their
// quotes stripped, and the deltree flag (null when the field is missing).
struct RegistryItem {
  char text[kItemChars + 1];
  HKEY root = nullptr;
  const char* subKey = nullptr;
  const char* valueName = nullptr;
  const char* deltree = nullptr;
};

bool ParseRegistryItem(const std::string& item, RegistryItem& out) {
  if (!CopyBounded(out.text, sizeof(out.text), item.c_str())) return false;
  char* subKey = SplitAt(out.text, ',');
  char* valueName = SplitAt(subKey, ',');
  if (!valueName) return false;  // fewer than two commas
  out.deltree = SplitAt(valueName, ',');
  TrimChar(out.text, '"');
  TrimChar(subKey, '"');
  TrimChar(valueName, '"');
  out.root = RootOfKeyword(out.text);
  out.subKey = subKey;
  out.valueName = valueName;
  return out.root != nullptr;
}

const char* RootName(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return "HKLM";
  if (root == HKEY_CURRENT_USER) return "HKCU";
  if (root == HKEY_CLASSES_ROOT) return "HKCR";
  if (root == HKEY_USERS) return "HKU";
  return "?";
}

// Deletes one key; where that is refused (access denied, which is also the
// answer for a key that still has subkeys) opens up its access list and tries
// again, then deletes the whole tree, leaving the kept keys.
void DeleteKeyItem(HKEY root, const char* subKey, const CKeptKeys& kept, REGSAM view) {
  if (kept.Holds(root, subKey)) {
    if (!kept.IsKept(root, subKey)) DeleteKeyTree(root, subKey, &kept, view);
    return;
  }
  const std::string logged = KeyText(root, subKey, view);
  const LONG rc = DeleteKeyIfLeaf(root, subKey, view);
  if (rc != ERROR_ACCESS_DENIED) {
    if (rc != ERROR_FILE_NOT_FOUND) LogAction("delete key", logged, static_cast<DWORD>(rc));
    return;
  }
  CSavedKeySecurity original;
  GrantKeyAccess(root, subKey, original, view);
  if (DeleteKeyIfLeaf(root, subKey, view) == ERROR_SUCCESS ||
      DeleteKeyTree(root, subKey, &kept, view) == 1) {
    original.Forget();  // gone: nothing to put back
    LogAction("delete key", logged);
  } else {
    LogAction("delete key", logged, ERROR_ACCESS_DENIED);
  }
}

void DeleteValueItem(HKEY root, const char* subKey, const char* valueName, REGSAM view) {
  CRegKey key;
  if (key.OpenEx(root, subKey, KEY_ALL_ACCESS | view) != ERROR_SUCCESS) return;
  const LONG rc = Access().RegDeleteValueA(key.Get(), valueName);
  if (rc != ERROR_FILE_NOT_FOUND)  // a missing value is no failure here
    LogAction("delete value", KeyText(root, (std::string(subKey) + "\\" + valueName).c_str(), view),
              static_cast<DWORD>(rc));
}

// One item in one registry view. A refusal is logged once, for the first view.
void HandleRegistryItem(const std::string& text, const CKeptKeys& kept, REGSAM view,
                        bool firstView) {
  RegistryItem item;
  if (!ParseRegistryItem(text, item)) return;
  if (*item.valueName) {
    if (!IsProtectedValue(item.root, item.subKey, item.valueName))
      DeleteValueItem(item.root, item.subKey, item.valueName, view);
    else if (firstView)
      LogOutcome("delete value", KeyText(item.root, (std::string(item.subKey) + "\\" + item.valueName).c_str()),
                 "refused: Windows needs this value");
    return;
  }
  if (IsProtectedKey(item.root, item.subKey)) {
    if (firstView)
      LogOutcome("delete key", KeyText(item.root, item.subKey), "refused: Windows needs this key");
    return;
  }
  if (item.deltree && item.deltree[0] == '1') {
    if (DeleteKeyTree(item.root, item.subKey, &kept, view) == 1)
      LogAction("delete key tree", KeyText(item.root, item.subKey, view));
  } else
    DeleteKeyItem(item.root, item.subKey, kept, view);
}

bool JoinKeyPath(const char* path, const char* name, std::string& out) {
  out = path;
  if (!out.empty() && out.back() != '\\') out += '\\';
  out += name;
  return out.size() <= kFieldChars;
}

}  // namespace

bool IsProtectedKey(HKEY root, const char* path) {
  if (!root || !path) return true;
  Components parts;
  switch (AreaOf(root, path, parts)) {
    case KeyArea::kClasses: return IsProtectedClassKey(parts);
    case KeyArea::kUser: return IsListedOrTopLevel(parts, kUserKeys);
    case KeyArea::kMachine: return IsListedOrTopLevel(parts, kMachineKeys);
    case KeyArea::kOther: break;
  }
  return true;  // any other root is not the tool's to change
}

bool IsProtectedValue(HKEY root, const char* path, const char* valueName) {
  if (!root || !path || !valueName) return true;
  Components parts;
  switch (AreaOf(root, path, parts)) {
    case KeyArea::kClasses: return parts.empty();  // the classes root's own values
    case KeyArea::kUser: return parts.empty() || IsListed(parts, kUserValueKeys);
    case KeyArea::kMachine: return parts.size() < 2 || IsListed(parts, kMachineValueKeys);
    case KeyArea::kOther: break;
  }
  return true;
}

bool CSavedKeySecurity::Save(HKEY key, HKEY root, const char* path, REGSAM view) {
  descriptor_.assign(256, 0);
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD size = static_cast<DWORD>(descriptor_.size());
    LONG rc = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor_.data(), &size);
    if (rc == ERROR_SUCCESS) {
      root_ = root;
      path_ = path;
      view_ = view;
      return true;
    }
    if (rc != ERROR_INSUFFICIENT_BUFFER || size <= descriptor_.size()) break;
    descriptor_.resize(size);
  }
  descriptor_.clear();
  return false;
}

void CSavedKeySecurity::Restore() {
  if (descriptor_.empty()) return;
  CRegKey key;
  if (key.OpenEx(root_, path_.c_str(), WRITE_DAC | view_) == ERROR_SUCCESS)
    RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, descriptor_.data());
  descriptor_.clear();
}

int GrantKeyAccess(HKEY root, const char* path, CSavedKeySecurity& original, REGSAM view) {
  if (IsProtectedKey(root, path) || Access().ChangesNothing()) return 0;
  CRegKey key;
  if (key.OpenEx(root, path, WRITE_DAC | READ_CONTROL | view) != ERROR_SUCCESS) return 0;
  // Without the original there is nothing to put back: leave the key alone.
  if (!original.Save(key.Get(), root, path, view)) return 0;

  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID rawSid = nullptr;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &rawSid)) {
    original.Forget();
    return 0;
  }
  CSid everyone(rawSid);
  std::vector<BYTE> aclBuffer(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) +
                              GetLengthSid(everyone.Get()));
  PACL acl = reinterpret_cast<PACL>(aclBuffer.data());
  SECURITY_DESCRIPTOR descriptor;
  bool ok = InitializeAcl(acl, static_cast<DWORD>(aclBuffer.size()), ACL_REVISION) &&
            AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, everyone.Get()) &&
            InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
            SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
            RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
  if (!ok) original.Forget();  // nothing was changed
  return ok ? 1 : 0;
}

CKeptKeys::CKeptKeys(const std::vector<std::string>& keptItems) {
  for (const std::string& text : keptItems) {
    RegistryItem item;
    if (ParseRegistryItem(text, item))
      keys_.push_back(Key{item.root, ViewFreeParts(item.root, item.subKey)});
  }
}

bool CKeptKeys::Holds(HKEY root, const char* path) const {
  const Components parts = ViewFreeParts(root, path);
  for (const Key& key : keys_) {
    if (key.root != root || key.parts.size() < parts.size()) continue;
    if (std::equal(parts.begin(), parts.end(), key.parts.begin(),
                   [](const std::string& a, const std::string& b) { return EqualNames(a, b); }))
      return true;
  }
  return false;
}

bool CKeptKeys::IsKept(HKEY root, const char* path) const {
  const Components parts = ViewFreeParts(root, path);
  for (const Key& key : keys_)
    if (key.root == root && key.parts.size() == parts.size() && Holds(root, path)) return true;
  return false;
}

int DeleteKeyTree(HKEY root, const char* path, const CKeptKeys* kept, REGSAM view) {
  if (IsProtectedKey(root, path) || (kept && kept->IsKept(root, path))) return 0;
  CRegKey key;
  if (key.Open(root, path, view) != ERROR_SUCCESS || !key.IsOpen()) return 0;
  DWORD index = 0;
  std::string lastDeleted;
  for (int reads = 0; reads < kMaxSubkeyReads; ++reads) {
    char name[261];
    LONG rc = Access().RegEnumKeyA(key.Get(), index, name, sizeof(name));
    if (rc == ERROR_NO_MORE_ITEMS) {
      // Subkeys stepped over (kept, or refused) are still there: the key stays.
      if (index != 0) return 0;
      key.Close();
      if (DeleteKeyIfLeaf(root, path, view) == ERROR_SUCCESS) return 1;
      CSavedKeySecurity original;
      GrantKeyAccess(root, path, original, view);
      if (DeleteKeyIfLeaf(root, path, view) != ERROR_SUCCESS) return 0;
      original.Forget();
      return 1;
    }
    if (rc != ERROR_SUCCESS) return 0;
    name[sizeof(name) - 1] = '\0';
    std::string child;
    // A subkey reported deleted that comes back under the same name was not
    // deleted after all: step over it, or the loop would never end.
    if (JoinKeyPath(path, name, child) && !EqualNames(name, lastDeleted) &&
        DeleteKeyTree(root, child.c_str(), kept, view) == 1) {
      lastDeleted = name;  // the later subkeys moved down: read this index again
    } else {
      lastDeleted.clear();
      ++index;
    }
  }
  return 0;
}

std::string KeyText(HKEY root, const char* path, REGSAM view) {
  return Quoted(std::string(RootName(root)) + "\\" + (path ? path : "")) + ViewText(view);
}

LONG DeleteKeyIfLeaf(HKEY parent, const char* subKey, REGSAM view) {
  {
    CRegKey key;
    const LONG rc = key.Open(parent, subKey, view);
    if (rc != ERROR_SUCCESS) return rc;
    char name[261];
    if (Access().RegEnumKeyA(key.Get(), 0, name, sizeof(name)) != ERROR_NO_MORE_ITEMS)
      return ERROR_ACCESS_DENIED;  // what Windows NT answers for a key with subkeys
  }
  return Access().RegDeleteKeyExA(parent, subKey, view, 0);
}

void RemoveRegistryItems(CRemovalContext& ctx) {
  // The maker's record of its program groups goes with the last printer; while
  // printers stay, their groups and the record of them stay too.
  const std::vector<REGSAM> views = RegistryViews(ctx.os);
  if (ctx.database->keptCount == 0)
    for (REGSAM view : views) DeleteKeyIfLeaf(HKEY_LOCAL_MACHINE, kProgramGroupsKey, view);
  ItemList& items = ctx.database->removal.List(kRegistryKeys);
  NormaliseList(items);
  const CKeptKeys kept(ctx.database->keep.List(kRegistryKeys));
  // Descending order: a sub key comes before its parent. On 64-bit Windows
  // each item in both views, as the installer that wrote it may have used
  // either; the keep set holds in both.
  for (auto it = items.rbegin(); it != items.rend(); ++it)
    for (REGSAM view : views) HandleRegistryItem(*it, kept, view, view == views.front());
}

}  // namespace vq
