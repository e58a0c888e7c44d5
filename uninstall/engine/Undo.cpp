#include "uninstall/engine/Undo.h"

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>
#include <vector>

#include "uninstall/engine/ActionLog.h"
#include "uninstall/engine/BackupFolder.h"
#include "uninstall/engine/BackupItems.h"
#include "uninstall/engine/IniLineEdit.h"
#include "uninstall/engine/RebootDeletion.h"
#include "uninstall/engine/Wow64.h"
#include "uninstall/profile/IniText.h"
#include "uninstall/profile/NameFolding.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/Handles.h"
#include "uninstall/system/SpoolerHandles.h"
#include "uninstall/system/SpoolerQueries.h"
#include "uninstall/system/SystemFunctions.h"

namespace vq {

namespace {

// A loop over what the system lists must end even if it keeps listing.
constexpr DWORD kMaxListed = 100000;

// A junction or other reparse point: what is written or deleted through it
// lands elsewhere.
bool IsReparsePoint(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid() && WriteAll(file.Get(), bytes);
}

// Creates the folders of `folder` that are missing, top down.
bool MakeFolders(const std::string& folder) {
  const std::string path = WithBackslash(folder);
  std::size_t start = path.rfind("\\\\", 0) == 0 ? path.find('\\', path.find('\\', 2) + 1) : 2;
  for (std::size_t end = path.find('\\', start + 1); end != std::string::npos;
       end = path.find('\\', end + 1)) {
    const std::string part = path.substr(0, end);
    if (!PathExists(part) && !CreateDirectoryA(part.c_str(), nullptr) && !PathExists(part)) return false;
  }
  return true;
}

std::string Text(const ManifestJson& item, const char* field) {
  auto it = item.find(field);
  return it == item.end() ? std::string() : AnsiOf(*it);
}

std::string Utf8(const ManifestJson& item, const char* field) {
  auto it = item.find(field);
  return it != item.end() && it->is_string() ? it->get<std::string>() : std::string();
}

DWORD Number(const ManifestJson& item, const char* field) {
  auto it = item.find(field);
  return it != item.end() && it->is_number_unsigned() ? it->get<DWORD>() : 0;
}

bool Flag(const ManifestJson& item, const char* field) {
  auto it = item.find(field);
  return it != item.end() && it->is_boolean() && it->get<bool>();
}

std::string Bytes(const ManifestJson& item, const char* field) {
  std::string bytes;
  BytesOfHex(Utf8(item, field), bytes);
  return bytes;
}

// The texts of a printer's level-2 record, as the manifest names them.
const char* const kPrinterTexts[] = {"name",     "share",         "port",           "driver",   "comment",
                                     "location", "separatorFile", "printProcessor", "datatype", "parameters"};

// Points the text fields of a level-2 record (ANSI or wide) at `t`; an
// empty text is none.
template <class Info, class String>
void PointAtTexts(Info& info, std::map<std::string, String>& t) {
  auto ptr = [&](const char* f) { return t[f].empty() ? nullptr : &t[f][0]; };
  info.pPrinterName = ptr("name");
  info.pShareName = ptr("share");
  info.pPortName = ptr("port");
  info.pDriverName = ptr("driver");
  info.pComment = ptr("comment");
  info.pLocation = ptr("location");
  info.pSepFile = ptr("separatorFile");
  info.pPrintProcessor = ptr("printProcessor");
  info.pDatatype = ptr("datatype");
  info.pParameters = ptr("parameters");
}

// When a backup folder was made: "YYYYMMDD-HHMMSS" of the run's start and,
// for a later run of the same second, "-n" (n from 2); ordered by both.
using BackupStamp = std::pair<std::string, unsigned>;
bool ReadBackupStamp(const std::string& name, BackupStamp& stamp) {
  if (name.size() < 15 || name[8] != '-') return false;
  for (std::size_t i = 0; i < 15; ++i)
    if (i != 8 && (name[i] < '0' || name[i] > '9')) return false;
  stamp = {name.substr(0, 15), 1};
  if (name.size() == 15) return true;
  if (name[15] != '-' || name.size() < 17 || name.size() > 20) return false;
  unsigned n = 0;
  for (std::size_t i = 16; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
    n = n * 10 + unsigned(name[i] - '0');
  }
  stamp.second = n;
  return n >= 2;
}

// The saved device mode when its own sizes lie within the bytes saved: the
// spooler reads dmSize + dmDriverExtra bytes of it.
template <class DevMode>
DevMode* CheckedDevMode(std::string& bytes) {
  if (bytes.size() < sizeof(DevMode)) return nullptr;
  auto* mode = reinterpret_cast<DevMode*>(&bytes[0]);
  const std::size_t size = std::size_t(mode->dmSize) + mode->dmDriverExtra;
  return mode->dmSize >= offsetof(DevMode, dmFields) + sizeof(mode->dmFields) && size <= bytes.size() ? mode
                                                                                                        : nullptr;
}

// A saved self-relative security descriptor whose owner, group and lists
// lie within its bytes: the system follows their offsets unchecked.
bool IsWholeSecurityDescriptor(std::string& bytes) {
  const std::size_t size = bytes.size();
  if (size < 20) return false;  // revision, control and four offsets
  auto at = [&](std::size_t offset) { return reinterpret_cast<const BYTE*>(bytes.data()) + offset; };
  DWORD offsets[4];
  std::memcpy(offsets, at(4), sizeof(offsets));  // owner, group, system list, access list
  for (int n = 0; n < 4; ++n) {
    const std::size_t o = offsets[n];
    if (o == 0) continue;
    if (o < 20 || o > size - 8) return false;
    const std::size_t whole = n < 2 ? 8 + 4 * std::size_t(at(o)[1])                     // a SID's sub-authorities
                                    : *reinterpret_cast<const WORD*>(at(o + 2));      // an ACL's AclSize
    if (whole > size - o) return false;
  }
  PSECURITY_DESCRIPTOR descriptor = &bytes[0];
  return IsValidSecurityDescriptor(descriptor) && GetSecurityDescriptorLength(descriptor) <= size;
}

class CRestore {
 public:
  CRestore(const std::string& folder, const COsVersion& os, bool planOnly)
      : folder_(WithBackslash(folder)), os_(os), planOnly_(planOnly) {}

  void Run(const BackupManifest& manifest) {
    for (const BackupEntry& e : manifest.entries) {
      if (e.kind == "printer" && Flag(e.item, "default")) defaultLine_ = DefaultDeviceLine(e.item);
      if (e.kind == "profile string" && IsDeviceLine(e.item))
        for (const char* field : {"before", "after"}) runDeviceLines_.push_back(Text(e.item, field));
      if (e.kind == "printer settings" && MadeDefault(e.item)) runDefaults_.push_back(Text(e.item, "name"));
      auto removed = e.item.find("removed");
      if (e.kind == "ini lines" && removed != e.item.end() && removed->is_array()) {
        std::vector<std::string>& lines = removedLines_[NameKey(Text(e.item, "path"))];
        for (const ManifestJson& line : *removed) lines.push_back(AnsiOf(line));
      }
    }
    for (auto it = manifest.entries.rbegin(); it != manifest.entries.rend(); ++it) Entry(*it);
  }
  const UndoResult& Result() const { return result_; }

 private:
  // What became of one thing, in the log and the counts.
  void Restored(const char* what, const std::string& target) {
    if (planOnly_) {
      LogOutcome(what, target, "planned");
    } else {
      LogAction(what, target);
    }
    ++result_.restored;
  }
  void AlreadyThere(const char* what, const std::string& target) {
    LogOutcome(what, target, "there already");
    ++result_.alreadyThere;
  }
  void Conflict(const char* what, const std::string& target) {
    LogOutcome(what, target, "conflict: it exists again, otherwise; left as it is");
    ++result_.conflicts;
  }
  void Failed(const char* what, const std::string& target, DWORD error) {
    LogAction(what, target, error ? error : ERROR_GEN_FAILURE);
    ++result_.failures;
  }
  void NotRestorable(const char* what, const std::string& target) {
    LogOutcome("cannot be restored", target, what);
    ++result_.notRestorable;
  }

  // A saved file, checked again as it is read: what was verified before the
  // undo began may have been changed since.
  std::string Saved(const BackupEntry& entry, std::size_t index, bool& ok) {
    ok = index < entry.files.size();
    if (!ok) return std::string();
    const BackupFile& file = entry.files[index];
    std::string bytes = ReadWholeFile(folder_ + file.name, ok);
    ok = ok && bytes.size() == file.size && Sha256Hex(bytes.data(), bytes.size()) == file.sha256;
    return ok ? bytes : std::string();
  }

  void Entry(const BackupEntry& e) {
    const ManifestJson& i = e.item;
    if (e.kind == "file") File(e);
    else if (e.kind == "folder") Folder(i);
    else if (e.kind == "attributes") Attributes(i);
    else if (e.kind == "ini lines") RewrittenFile(e);
    else if (e.kind == "registry key") KeyTree(i);
    else if (e.kind == "registry value") Value(i);
    else if (e.kind == "registry value set") ValueSet(i);
    else if (e.kind == "printer") Printer(i);
    else if (e.kind == "printer settings") PrinterSettings(i);
    else if (e.kind == "printer connection") Connection(i);
    else if (e.kind == "driver") Driver(e);
    else if (e.kind == "driver package") Package(e);
    else if (e.kind == "inf copy") InfCopy(e);
    else if (e.kind == "monitor") Monitor(e);
    else if (e.kind == "print processor") Processor(e);
    else if (e.kind == "service") Service(i);
    else if (e.kind == "profile string") ProfileString(i);
    else if (e.kind == "print jobs") NotRestorable("a deleted print job", Quoted(Text(i, "printer")));
    else if (e.kind == "hook") NotRestorable("what an add-on's hook did", Quoted(Text(i, "item")));
    else if (e.kind == "disguise tool") NotRestorable("what the disguise tool undid", Quoted(Text(i, "item")));
  }

  // ---- files ----

  void File(const BackupEntry& e) {
    const std::string path = Text(e.item, "path");
    const std::string shown = Quoted(path);
    // Put back where the run saw it: under WOW64 a native path with the
    // redirection off, as the run scheduled it.
    CFsRedirectionOff redirectionOff(Flag(e.item, "native") ? os_ : COsVersion());
    if (!planOnly_ && CancelPendingDeletion(os_, path)) LogAction("cancel deletion at the next start", shown);
    bool ok = false;
    const std::string content = Saved(e, 0, ok);
    if (!ok || path.empty()) return Failed("restore file", shown, ERROR_FILE_CORRUPT);
    if (PathExists(path)) {
      bool read = false;
      const std::string now = ReadWholeFile(path, read);
      if (read && now == content) return AlreadyThere("restore file", shown);
      return Conflict("restore file", shown);
    }
    if (planOnly_) return Restored("restore file", shown);
    const std::string folder = path.substr(0, path.find_last_of('\\') + 1);
    if (!MakeFolders(folder) || !WriteWhole(path, content)) return Failed("restore file", shown, GetLastError());
    FILETIME created, written;
    {
      CFileHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file.IsValid() && FileTimeOf(Utf8(e.item, "created"), created) &&
          FileTimeOf(Utf8(e.item, "written"), written))
        SetFileTime(file.Get(), &created, nullptr, &written);
    }
    SetFileAttributesA(path.c_str(), Number(e.item, "attributes") & ~FILE_ATTRIBUTE_DIRECTORY);
    Restored("restore file", shown);
  }

  void Folder(const ManifestJson& i) {
    const std::string path = Text(i, "path");
    if (PathExists(path)) return AlreadyThere("restore folder", Quoted(path));
    if (!planOnly_ && !MakeFolders(path)) return Failed("restore folder", Quoted(path), GetLastError());
    if (!planOnly_) SetFileAttributesA(path.c_str(), Number(i, "attributes"));
    Restored("restore folder", Quoted(path));
  }

  void Attributes(const ManifestJson& i) {
    const std::string path = Text(i, "path");
    const DWORD now = GetFileAttributesA(path.c_str());
    if (now == INVALID_FILE_ATTRIBUTES) return;  // gone: nothing to put them on
    const DWORD old = Number(i, "attributes");
    if (now == old) return AlreadyThere("restore attributes", Quoted(path));
    if (!planOnly_ && !SetFileAttributesA(path.c_str(), old))
      return Failed("restore attributes", Quoted(path), GetLastError());
    Restored("restore attributes", Quoted(path));
  }

  // A file the run wrote anew (an INI file that lost lines): each line it
  // lost goes back at its place; whatever else changed since stays.
  // An INI file the run took lines from: the lines it took, at their place,
  // where they are missing now (the entry that saved the file puts back
  // what every entry of the file lists). A file there that cannot be read
  // is not replaced.
  void RewrittenFile(const BackupEntry& e) {
    const std::string path = Text(e.item, "path");
    if (e.files.empty()) return;
    bool ok = false;
    const std::string old = Saved(e, 0, ok);
    if (!ok) return Failed("restore INI lines", Quoted(path), ERROR_FILE_CORRUPT);
    bool read = false;
    const bool exists = PathExists(path);
    const std::string now = exists ? ReadWholeFile(path, read) : std::string();
    if (exists && !read) return Failed("restore INI lines", Quoted(path), GetLastError());
    auto removed = removedLines_.find(NameKey(path));
    const std::string merged = WithLostLines(old, now, removed == removedLines_.end() ? nullptr : &removed->second);
    if (read && merged == now) return AlreadyThere("restore INI lines", Quoted(path));
    if (!planOnly_ && !ReplaceFileContent(path, merged))
      return Failed("restore INI lines", Quoted(path), GetLastError());
    Restored("restore INI lines", Quoted(path));
  }

  // ---- registry ----

  // A key of the backup opened for writing, made when missing.
  bool OpenOrCreate(const ManifestJson& i, const std::string& below, CRegKey& key, bool& created) {
    const HKEY root = RootKey(Utf8(i, "root"));
    std::string path = Text(i, "path");
    if (!below.empty()) path = path.empty() ? below : path + "\\" + below;
    if (!root) return false;
    const REGSAM view = ViewOf(Utf8(i, "view"));
    created = key.OpenEx(root, path.c_str(), KEY_ALL_ACCESS | view) != ERROR_SUCCESS;
    if (!created) return true;
    if (planOnly_) return true;
    return key.Create(root, path.c_str(), KEY_ALL_ACCESS | view) == ERROR_SUCCESS;
  }

  // One value: set when missing; one that differs is a conflict.
  void PutValue(CRegKey& key, const std::string& shown, const std::string& name, DWORD type,
                const std::string& data) {
    DWORD nowType = 0, size = 0;
    if (key.IsOpen() &&
        RegQueryValueExA(key.Get(), name.c_str(), nullptr, &nowType, nullptr, &size) == ERROR_SUCCESS) {
      std::string now(size, '\0');
      RegQueryValueExA(key.Get(), name.c_str(), nullptr, &nowType,
                       reinterpret_cast<BYTE*>(now.empty() ? nullptr : &now[0]), &size);
      if (nowType == type && now == data) return AlreadyThere("restore value", shown);
      return Conflict("restore value", shown);
    }
    if (!planOnly_ &&
        RegSetValueExA(key.Get(), name.c_str(), 0, type,
                       reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size())) !=
            ERROR_SUCCESS)
      return Failed("restore value", shown, GetLastError());
    Restored("restore value", shown);
  }

  std::string KeyShown(const ManifestJson& i, const std::string& below) {
    std::string path = Utf8(i, "root") + "\\" + Text(i, "path");
    if (!below.empty()) path += "\\" + below;
    const std::string view = Utf8(i, "view");
    return Quoted(path) + (view.empty() ? "" : " (" + view + " view)");
  }

  void KeyTree(const ManifestJson& i) {
    auto keys = i.find("keys");
    if (keys == i.end() || !keys->is_array()) return Failed("restore key", KeyShown(i, ""), ERROR_INVALID_DATA);
    for (const ManifestJson& k : *keys) {
      const std::string below = Text(k, "path");
      const std::string shown = KeyShown(i, below);
      CRegKey key;
      bool created = false;
      if (!OpenOrCreate(i, below, key, created)) {
        Failed("restore key", shown, GetLastError());
        continue;
      }
      if (created) Restored("restore key", shown);
      auto values = k.find("values");
      if (values == k.end() || !values->is_array()) continue;
      for (const ManifestJson& v : *values)
        PutValue(key, shown + "|" + Text(v, "name"), Text(v, "name"), Number(v, "type"), Bytes(v, "data"));
      if (!created && values->empty()) AlreadyThere("restore key", shown);
    }
  }

  void Value(const ManifestJson& i) {
    CRegKey key;
    bool created = false;
    const std::string shown = KeyShown(i, "") + "|" + Text(i, "name");
    if (!OpenOrCreate(i, "", key, created)) return Failed("restore value", shown, GetLastError());
    PutValue(key, shown, Text(i, "name"), Number(i, "type"), Bytes(i, "data"));
  }

  // A value the run set: back to what it was, when it still is what the run set.
  void ValueSet(const ManifestJson& i) {
    CRegKey key;
    const std::string name = Text(i, "name");
    const std::string shown = KeyShown(i, "") + "|" + name;
    // Opened, never made: a key gone since took the value with it.
    const HKEY root = RootKey(Utf8(i, "root"));
    if (!root || key.OpenEx(root, Text(i, "path").c_str(), KEY_ALL_ACCESS | ViewOf(Utf8(i, "view"))) != ERROR_SUCCESS)
      return Flag(i, "existed") ? Conflict("restore value", shown) : AlreadyThere("restore value", shown);
    DWORD type = 0, size = 0;
    const bool exists = RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    std::string now(size, '\0');
    if (exists)
      RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(now.empty() ? nullptr : &now[0]), &size);
    const bool existed = Flag(i, "existed");
    if (existed ? (exists && type == Number(i, "type") && now == Bytes(i, "data")) : !exists)
      return AlreadyThere("restore value", shown);
    if (!exists || type != Number(i, "newType") || now != Bytes(i, "newData")) return Conflict("restore value", shown);
    if (!planOnly_) {
      const std::string old = Bytes(i, "data");
      const LONG rc = existed ? RegSetValueExA(key.Get(), name.c_str(), 0, Number(i, "type"),
                                               reinterpret_cast<const BYTE*>(old.data()),
                                               static_cast<DWORD>(old.size()))
                              : RegDeleteValueA(key.Get(), name.c_str());
      if (rc != ERROR_SUCCESS) return Failed("restore value", shown, static_cast<DWORD>(rc));
    }
    Restored("restore value", shown);
  }

  // ---- printers ----

  bool PrinterExists(const ManifestJson& i) {
    CPrinter printer;
    if (Flag(i, "wide")) return printer.OpenWide(Utf8ToWide(Utf8(i, "name")).c_str(), PRINTER_ACCESS_USE);
    return printer.Open(Text(i, "name").c_str(), PRINTER_ACCESS_USE);
  }

  void Printer(const ManifestJson& i) {
    const std::string shown = Quoted(Text(i, "name"));
    if (PrinterExists(i)) return AlreadyThere("restore printer", shown);
    if (planOnly_) return Restored("restore printer", shown);
    std::string devmode = Bytes(i, "devmode"), security = Bytes(i, "security");
    HANDLE added = Flag(i, "wide") ? AddWidePrinter(i, devmode, security) : AddAnsiPrinter(i, devmode);
    if (!added) return Failed("restore printer", shown, GetLastError());
    PutPrinterData(added, i);
    ClosePrinter(added);
    Restored("restore printer", shown);
    if (Flag(i, "default")) {
      if (!MayMakeDefault()) return Conflict("make default", shown);
      MakeDefault(i);
    }
  }

  HANDLE AddWidePrinter(const ManifestJson& i, std::string& devmode, std::string& security) {
    using Function = HANDLE(WINAPI*)(LPWSTR, DWORD, LPBYTE);
    static const Function add = FindSystemFunction<Function>("winspool.drv", "AddPrinterW");
    if (!add) {
      SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
      return nullptr;
    }
    std::map<std::string, std::wstring> t;
    for (const char* f : kPrinterTexts) t[f] = Utf8ToWide(Utf8(i, f));
    PRINTER_INFO_2W info = {};
    PointAtTexts(info, t);
    info.pDevMode = CheckedDevMode<DEVMODEW>(devmode);
    info.pSecurityDescriptor = IsWholeSecurityDescriptor(security) ? &security[0] : nullptr;
    FillNumbers(info, i);
    return add(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  }

  HANDLE AddAnsiPrinter(const ManifestJson& i, std::string& devmode) {
    std::map<std::string, std::string> t;
    for (const char* f : kPrinterTexts) t[f] = Text(i, f);
    PRINTER_INFO_2A info = {};
    PointAtTexts(info, t);
    info.pDevMode = CheckedDevMode<DEVMODEA>(devmode);
    FillNumbers(info, i);
    return AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  }

  template <typename Info>
  static void FillNumbers(Info& info, const ManifestJson& i) {
    info.Attributes = Number(i, "attributes") & ~PRINTER_ATTRIBUTE_DEFAULT;
    info.Priority = Number(i, "priority");
    info.DefaultPriority = Number(i, "defaultPriority");
    info.StartTime = Number(i, "startTime");
    info.UntilTime = Number(i, "untilTime");
  }

  void PutPrinterData(HANDLE printer, const ManifestJson& i) {
    auto data = i.find("data");
    if (data == i.end() || !data->is_array()) return;
    using FunctionW = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, LPBYTE, DWORD);
    static const FunctionW setW = FindSystemFunction<FunctionW>("winspool.drv", "SetPrinterDataW");
    for (const ManifestJson& v : *data) {
      std::string bytes = Bytes(v, "data");
      BYTE* raw = bytes.empty() ? nullptr : reinterpret_cast<BYTE*>(&bytes[0]);
      if (Flag(i, "wide") && setW) {
        std::wstring name = Utf8ToWide(Utf8(v, "name"));
        setW(printer, &name[0], Number(v, "type"), raw, static_cast<DWORD>(bytes.size()));
      } else {
        std::string name = Text(v, "name");
        SetPrinterDataA(printer, &name[0], Number(v, "type"), raw, static_cast<DWORD>(bytes.size()));
      }
    }
  }

  // The default goes back to a restored printer only where nobody chose
  // another since: the user's device line is empty, one the run found or
  // wrote, or names a printer that is not there. A name the ANSI functions
  // cannot spell ('?') may be one that is: it stays.
  bool MayMakeDefault() {
    char now[4096] = "";
    Access().GetProfileStringA("windows", "device", "", now, sizeof(now));
    const std::string line = now;
    if (line.empty()) return true;
    if (IsRunsDeviceLine(line)) return true;
    const std::string name = line.substr(0, line.find(','));
    CPrinter printer;
    return name.find('?') == std::string::npos && !printer.Open(name.c_str(), PRINTER_ACCESS_USE);
  }

  // A device line the run found or wrote, or one naming a printer the run
  // made the default through its attribute (Windows 9x writes the line).
  bool IsRunsDeviceLine(const std::string& line) const {
    for (const std::string& l : runDeviceLines_)
      if (EqualNoCase(l, line)) return true;
    const std::string name = line.substr(0, line.find(','));
    for (const std::string& n : runDefaults_)
      if (EqualNoCase(n, name)) return true;
    return false;
  }

  // Windows 9x: the run made this printer the default through its attribute.
  static bool MadeDefault(const ManifestJson& i) {
    auto before = i.find("before"), after = i.find("after");
    return before != i.end() && after != i.end() && !(Number(*before, "attributes") & PRINTER_ATTRIBUTE_DEFAULT) &&
           (Number(*after, "attributes") & PRINTER_ATTRIBUTE_DEFAULT);
  }

  static bool IsDeviceLine(const ManifestJson& i) {
    return EqualNoCase(Text(i, "section"), "windows") && EqualNoCase(Text(i, "key"), "device");
  }

  // The restored printer was the default: Windows 9x makes it so from the
  // printer's attribute, Windows NT from the user's device line, which every
  // Windows reads; the saved line goes back when it names this printer.
  void MakeDefault(const ManifestJson& i) {
    if (!os_.IsNT()) {
      CPrinter printer;
      std::vector<BYTE> buffer;
      if (printer.Open(Text(i, "name").c_str(), PRINTER_ALL_ACCESS) && GetPrinterInfo2(printer.Get(), buffer)) {
        reinterpret_cast<PRINTER_INFO_2A*>(buffer.data())->Attributes |= PRINTER_ATTRIBUTE_DEFAULT;
        Access().SetPrinterA(printer.Get(), 2, buffer.data(), 0);
      }
    }
    Access().WriteProfileStringA("windows", "device", DefaultDeviceLine(i).c_str());
  }

  // The device line that makes a restored printer the default: the saved one
  // when it names the printer, else the line Windows itself writes.
  static std::string DefaultDeviceLine(const ManifestJson& i) {
    const std::string device = Text(i, "deviceLine");
    if (StartsWithNoCase(device, Text(i, "name") + ",")) return device;
    return Text(i, "name") + ",winspool," + Text(i, "port");
  }

  void PrinterSettings(const ManifestJson& i) {
    const std::string name = Text(i, "name");
    const std::string shown = Quoted(name);
    auto before = i.find("before"), after = i.find("after");
    if (before == i.end() || after == i.end()) return Failed("restore printer settings", shown, ERROR_INVALID_DATA);
    CPrinter printer;
    const bool wide = Flag(i, "wide");
    const bool open = wide ? printer.OpenWide(Utf8ToWide(Utf8(i, "name")).c_str(), PRINTER_ALL_ACCESS)
                           : printer.Open(name.c_str(), PRINTER_ALL_ACCESS);
    if (!open) return;  // the printer went since: nothing to set
    std::vector<BYTE> buffer;
    const BOOL read = QueryWithGrowingBuffer(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
      return wide ? Access().GetPrinterW(printer.Get(), 2, data, size, needed)
                  : Access().GetPrinterA(printer.Get(), 2, data, size, needed);
    });
    if (!read) return Failed("restore printer settings", shown, GetLastError());
    std::wstring processor = Utf8ToWide(Utf8(*before, "printProcessor")),
                 datatype = Utf8ToWide(Utf8(*before, "datatype"));
    std::string processorA = Text(*before, "printProcessor"), datatypeA = Text(*before, "datatype");
    BOOL set;
    if (wide) {
      auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
      if (WideToUtf8(info->pPrintProcessor) == Utf8(*before, "printProcessor") &&
          WideToUtf8(info->pDatatype) == Utf8(*before, "datatype"))
        return AlreadyThere("restore printer settings", shown);
      if (WideToUtf8(info->pPrintProcessor) != Utf8(*after, "printProcessor"))
        return Conflict("restore printer settings", shown);
      if (planOnly_) return Restored("restore printer settings", shown);
      info->pPrintProcessor = &processor[0];
      info->pDatatype = &datatype[0];
      set = Access().SetPrinterW(printer.Get(), 2, buffer.data(), 0);
    } else {
      // Windows 9x rewrites the whole record: its attributes go back too,
      // the default mark only while it is as the run left it (the user may
      // have moved it since).
      auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
      const DWORD mark = PRINTER_ATTRIBUTE_DEFAULT;
      const bool markAsLeft = (info->Attributes & mark) == (Number(*after, "attributes") & mark);
      const DWORD attributes =
          (Number(*before, "attributes") & ~mark) | ((markAsLeft ? Number(*before, "attributes") : info->Attributes) & mark);
      const std::string nowProcessor = info->pPrintProcessor ? info->pPrintProcessor : "";
      if (EqualNoCase(nowProcessor, processorA) && info->Attributes == attributes)
        return AlreadyThere("restore printer settings", shown);
      if (!EqualNoCase(nowProcessor, Text(*after, "printProcessor")))
        return Conflict("restore printer settings", shown);
      if (planOnly_) return Restored("restore printer settings", shown);
      info->pPrintProcessor = &processorA[0];
      info->pDatatype = &datatypeA[0];
      info->Attributes = attributes;
      set = Access().SetPrinterA(printer.Get(), 2, buffer.data(), 0);
    }
    if (!set) return Failed("restore printer settings", shown, GetLastError());
    Restored("restore printer settings", shown);
  }

  void Connection(const ManifestJson& i) {
    std::string name = Text(i, "name");
    if (planOnly_) return Restored("restore printer connection", Quoted(name));
    using Function = BOOL(WINAPI*)(LPSTR);
    static const Function add = FindSystemFunction<Function>("winspool.drv", "AddPrinterConnectionA");
    if (!add || !add(&name[0])) {
      if (GetLastError() == ERROR_PRINTER_ALREADY_EXISTS) return AlreadyThere("restore printer connection", Quoted(name));
      return Failed("restore printer connection", Quoted(name), add ? GetLastError() : ERROR_CALL_NOT_IMPLEMENTED);
    }
    Restored("restore printer connection", Quoted(name));
  }

  // ---- drivers, monitors, print processors ----

  std::vector<std::string> Installed(const char* environment) {
    return EnumeratedNames<DRIVER_INFO_1A>([&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
      return Access().EnumPrinterDriversA(nullptr, const_cast<char*>(environment), 1, data, size,
                                          needed, count);
    });
  }

  // The files of an entry written under their own names into a staging
  // folder of the backup, from which the spooler copies what it installs.
  std::string Stage(const BackupEntry& e, const char* names) {
    const std::string stage = folder_ + "stage\\";
    auto list = e.item.find(names);
    if (list == e.item.end() || !list->is_array() || list->size() != e.files.size()) return std::string();
    if (!MakeFolders(stage) || IsReparsePoint(stage)) return std::string();
    for (std::size_t n = 0; n < e.files.size(); ++n) {
      bool ok = false;
      const std::string bytes = Saved(e, n, ok);
      const std::string name = AnsiOf((*list)[n]);
      if (!ok || !IsPlainFileName(name) || !WriteWhole(stage + name, bytes))
        return std::string();
    }
    return stage;
  }

  void Unstage(const std::string& stage) {
    if (stage.empty() || IsReparsePoint(stage)) return;
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA((stage + "*").c_str(), &found));
    if (find.IsValid()) {
      do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          DeleteFileA((stage + found.cFileName).c_str());
      } while (FindNextFileA(find.Get(), &found));
    }
    find.Close();
    RemoveDirectoryA(stage.c_str());
  }

  void Driver(const BackupEntry& e) {
    const ManifestJson& i = e.item;
    const std::string name = Text(i, "name"), environment = Text(i, "environment");
    const char* env = environment.empty() ? nullptr : environment.c_str();
    const std::string shown = Quoted(name) + " (" + (env ? environment : std::string("current")) + ")";
    for (const std::string& installed : Installed(env))
      if (NameKey(installed) == NameKey(name)) return AlreadyThere("restore driver", shown);
    if (planOnly_) return Restored("restore driver", shown);
    const std::string stage = Stage(e, "saved");
    if (stage.empty()) return Failed("restore driver", shown, ERROR_FILE_CORRUPT);
    auto path = [&](const char* field) {
      const std::string file = Text(i, field);
      return file.empty() ? std::string() : stage + file;
    };
    std::string driverPath = path("driverFile"), dataPath = path("dataFile"),
                configPath = path("configFile"), helpPath = path("helpFile");
    std::string dependent;
    auto list = i.find("dependentFiles");
    if (list != i.end() && list->is_array())
      for (const ManifestJson& f : *list) dependent += stage + AnsiOf(f) + '\0';
    dependent += '\0';
    std::string monitor = Text(i, "monitor"), datatype = Text(i, "datatype"), envText = environment;
    DRIVER_INFO_3A info = {};
    info.cVersion = Number(i, "version");
    info.pName = &const_cast<std::string&>(name)[0];
    info.pEnvironment = env ? &envText[0] : nullptr;
    info.pDriverPath = &driverPath[0];
    info.pDataFile = dataPath.empty() ? nullptr : &dataPath[0];
    info.pConfigFile = configPath.empty() ? nullptr : &configPath[0];
    info.pHelpFile = helpPath.empty() ? nullptr : &helpPath[0];
    info.pDependentFiles = dependent.size() > 1 ? &dependent[0] : nullptr;
    info.pMonitorName = monitor.empty() ? nullptr : &monitor[0];
    info.pDefaultDataType = datatype.empty() ? nullptr : &datatype[0];
    const BOOL added = AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info));
    const DWORD error = GetLastError();
    Unstage(stage);
    if (!added) return Failed("restore driver", shown, error);
    Restored("restore driver", shown);
  }

  void Package(const BackupEntry& e) {
    const std::string inf = Text(e.item, "infPath");
    const std::string shown = Quoted(inf);
    if (PathExists(inf)) return AlreadyThere("restore driver package", shown);
    if (planOnly_) return Restored("restore driver package", shown);
    // Staged again from its files: SetupCopyOEMInf puts the package back in the store.
    const std::string stage = Stage(e, "saved");
    const std::string staged = stage + inf.substr(inf.find_last_of('\\') + 1);
    const BOOL done = !stage.empty() &&
                      Access().SetupCopyOEMInfA(staged.c_str(), stage.c_str(), 1 /* SPOST_PATH */, 0);
    const DWORD error = stage.empty() ? ERROR_WRITE_FAULT : GetLastError();
    Unstage(stage);
    if (!done) return Failed("restore driver package", shown, error);
    Restored("restore driver package", shown);
  }

  void InfCopy(const BackupEntry& e) {
    auto names = e.item.find("saved");
    const std::string shown = Quoted(Text(e.item, "name"));
    if (names == e.item.end() || !names->is_array() || names->size() != e.files.size())
      return e.files.empty() ? AlreadyThere("restore INF copy", shown)
                             : Failed("restore INF copy", shown, ERROR_INVALID_DATA);
    // Its files as they are now: each there as saved, missing, or another
    // package's under the same oemNN name (left as it is).
    std::vector<std::size_t> missing;
    for (const ManifestJson& name : *names)
      if (!IsPlainFileName(AnsiOf(name))) return Failed("restore INF copy", shown, ERROR_INVALID_DATA);
    for (std::size_t n = 0; n < e.files.size(); ++n) {
      bool ok = false, read = false;
      const std::string bytes = Saved(e, n, ok);
      if (!ok) return Failed("restore INF copy", shown, ERROR_FILE_CORRUPT);
      const std::string path = WindowsInfFolder() + AnsiOf((*names)[n]);
      if (!PathExists(path)) missing.push_back(n);
      else if (ReadWholeFile(path, read) != bytes || !read) return Conflict("restore INF copy", shown);
    }
    if (missing.empty()) return AlreadyThere("restore INF copy", shown);
    for (std::size_t n : missing) {
      bool ok = false;
      const std::string path = WindowsInfFolder() + AnsiOf((*names)[n]);
      if (!planOnly_ && !WriteWhole(path, Saved(e, n, ok)))
        return Failed("restore INF copy", shown, GetLastError());
    }
    Restored("restore INF copy", shown);
  }

  bool MonitorInstalled(const std::string& name) {
    for (const std::string& m : EnumeratedNames<MONITOR_INFO_1A>([&](BYTE* d, DWORD s, DWORD* n, DWORD* c) {
           return Access().EnumMonitorsA(nullptr, 1, d, s, n, c);
         }))
      if (NameKey(m) == NameKey(name)) return true;
    return false;
  }

  // A monitor or print processor whose library is back but whom the
  // spooler would not take now: its key is back, and the spooler loads it
  // at its next start.
  void LoadsAtNextStart(const char* what, const std::string& shown) {
    LogOutcome(what, shown, "restored; the spooler loads it at its next start");
    ++result_.restored;
    result_.restartNeeded = true;
  }

  void Monitor(const BackupEntry& e) {
    std::string name = Text(e.item, "name"), environment = Text(e.item, "environment"),
                dll = Text(e.item, "dll");
    const std::string shown = Quoted(name);
    if (MonitorInstalled(name)) return AlreadyThere("restore monitor", shown);
    if (!IsPlainFileName(dll)) return Failed("restore monitor", shown, ERROR_INVALID_DATA);
    if (planOnly_) return Restored("restore monitor", shown);
    const std::string path = SystemFolderPath(dll);
    if (!e.files.empty() && !path.empty() && !PathExists(path)) {
      bool ok = false;
      const std::string bytes = Saved(e, 0, ok);
      if (!ok || !WriteWhole(path, bytes)) return Failed("restore monitor", shown, ERROR_FILE_CORRUPT);
    }
    MONITOR_INFO_2A info = {&name[0], environment.empty() ? nullptr : &environment[0], &dll[0]};
    if (AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&info))) return Restored("restore monitor", shown);
    // Refused now, it loads at the spooler's next start only if its library is there.
    if (path.empty() || !PathExists(path)) return Failed("restore monitor", shown, GetLastError());
    return LoadsAtNextStart("restore monitor", shown);
  }

  void Processor(const BackupEntry& e) {
    std::string name = Text(e.item, "name"), environment = Text(e.item, "environment"),
                dll = Text(e.item, "dll");
    const std::string shown = Quoted(name);
    char* env = environment.empty() ? nullptr : &environment[0];
    for (const std::string& p : EnumeratedNames<PRINTPROCESSOR_INFO_1A>([&](BYTE* d, DWORD s, DWORD* n, DWORD* c) {
           return Access().EnumPrintProcessorsA(nullptr, env, 1, d, s, n, c);
         }))
      if (NameKey(p) == NameKey(name)) return AlreadyThere("restore print processor", shown);
    if (!IsPlainFileName(dll)) return Failed("restore print processor", shown, ERROR_INVALID_DATA);
    if (planOnly_) return Restored("restore print processor", shown);
    char folder[MAX_PATH + 1] = "";
    DWORD needed = 0;
    GetPrintProcessorDirectoryA(nullptr, env, 1, reinterpret_cast<BYTE*>(folder), MAX_PATH, &needed);
    folder[MAX_PATH] = '\0';
    const std::string path = folder[0] && !dll.empty() ? WithBackslash(folder) + dll : std::string();
    if (!e.files.empty() && !path.empty() && !PathExists(path)) {
      bool ok = false;
      const std::string bytes = Saved(e, 0, ok);
      if (!ok || !WriteWhole(path, bytes)) return Failed("restore print processor", shown, ERROR_FILE_CORRUPT);
    }
    if (AddPrintProcessorA(nullptr, env, &dll[0], &name[0])) return Restored("restore print processor", shown);
    if (path.empty() || !PathExists(path)) return Failed("restore print processor", shown, GetLastError());
    return LoadsAtNextStart("restore print processor", shown);
  }

  // ---- services and profile strings ----

  void Service(const ManifestJson& i) {
    const std::string name = Text(i, "name");
    const std::string shown = Quoted(name);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return Failed("restore service", shown, GetLastError());
    SC_HANDLE existing = OpenServiceA(manager, name.c_str(), SERVICE_QUERY_CONFIG);
    if (existing) {
      CloseServiceHandle(existing);
      CloseServiceHandle(manager);
      return AlreadyThere("restore service", shown);
    }
    if (planOnly_) {
      CloseServiceHandle(manager);
      return Restored("restore service", shown);
    }
    std::string account = Text(i, "account");
    // Only the built-in accounts need no password; any other cannot be set again.
    const bool builtIn = account.empty() || NameKey(account) == NameKey("LocalSystem") ||
                         NameKey(account).rfind(NameKey("NT AUTHORITY\\"), 0) == 0;
    if (!builtIn) {
      CloseServiceHandle(manager);
      return Failed("restore service", shown + " (its account's password cannot come back)", ERROR_INVALID_SERVICE_ACCOUNT);
    }
    std::string dependencies;
    auto list = i.find("dependencies");
    if (list != i.end() && list->is_array())
      for (const ManifestJson& d : *list) dependencies += AnsiOf(d) + '\0';
    dependencies += '\0';
    const std::string display = Text(i, "displayName"), binary = Text(i, "binary"), group = Text(i, "group");
    SC_HANDLE created = CreateServiceA(
        manager, name.c_str(), display.empty() ? nullptr : display.c_str(), SERVICE_ALL_ACCESS,
        Number(i, "type"), Number(i, "start"), Number(i, "errorControl"), binary.c_str(),
        group.empty() ? nullptr : group.c_str(), nullptr, dependencies.size() > 1 ? dependencies.c_str() : nullptr,
        account.empty() ? nullptr : account.c_str(), nullptr);
    const DWORD error = GetLastError();
    if (created) {
      const std::string description = Text(i, "description");
      using Function = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPVOID);
      static const Function change = FindSystemFunction<Function>("advapi32.dll", "ChangeServiceConfig2A");
      if (change && i.find("description") != i.end()) {
        SERVICE_DESCRIPTIONA text = {const_cast<char*>(description.c_str())};
        change(created, SERVICE_CONFIG_DESCRIPTION, &text);
      }
      CloseServiceHandle(created);
    }
    CloseServiceHandle(manager);
    if (!created) return Failed("restore service", shown, error);
    Restored("restore service", shown);
  }

  void ProfileString(const ManifestJson& i) {
    const std::string section = Text(i, "section"), key = Text(i, "key");
    const std::string shown = Quoted("[" + section + "] " + key);
    const char kAbsent[] = "\x01\x02<absent>\x02\x01";
    char now[4096] = "";
    Access().GetProfileStringA(section.c_str(), key.c_str(), kAbsent, now, sizeof(now));
    const bool exists = std::strcmp(now, kAbsent) != 0;
    const bool existed = Flag(i, "existed");
    const std::string before = Text(i, "before");
    if (existed ? (exists && before == now) : !exists) return AlreadyThere("restore profile string", shown);
    // The user's device line once named a printer the run deleted, and the
    // undo makes that printer the default again last: a line that names it
    // already is this backup's own doing (an undo run before), no conflict.
    if (IsDeviceLine(i) && exists && !defaultLine_.empty() && EqualNoCase(now, defaultLine_))
      return AlreadyThere("restore profile string", shown);
    const bool runWrote = Flag(i, "deleted") ? !exists
                                             : exists && (Text(i, "after") == now || (IsDeviceLine(i) && IsRunsDeviceLine(now)));
    if (!runWrote) return Conflict("restore profile string", shown);
    if (!planOnly_ &&
        !Access().WriteProfileStringA(section.c_str(), key.c_str(), existed ? before.c_str() : nullptr))
      return Failed("restore profile string", shown, GetLastError());
    Restored("restore profile string", shown);
  }

  std::string folder_;
  COsVersion os_;
  bool planOnly_;
  std::string defaultLine_;  // the device line of the restored default printer, if any
  std::vector<std::string> runDeviceLines_;  // the device lines the run found and wrote
  std::vector<std::string> runDefaults_;     // printers the run made the default (Windows 9x)
  std::map<std::string, std::vector<std::string>> removedLines_;  // by INI file: the lines the run took
  UndoResult result_;
};

}  // namespace

std::vector<std::string> BackupsUnder(const std::string& root) {
  std::vector<std::pair<BackupStamp, std::string>> found;
  if (root.empty()) return {};
  WIN32_FIND_DATAA entry;
  CFindHandle find(FindFirstFileA((WithBackslash(root) + "*").c_str(), &entry));
  if (!find.IsValid()) return {};
  do {
    BackupStamp stamp;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !ReadBackupStamp(entry.cFileName, stamp))
      continue;
    const std::string folder = WithBackslash(root) + entry.cFileName + "\\";
    if (PathExists(folder + kManifestName)) found.emplace_back(stamp, folder);
  } while (FindNextFileA(find.Get(), &entry) && found.size() < kMaxListed);
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<std::string> folders;
  for (const auto& f : found) folders.push_back(f.second);
  return folders;
}

bool ReadBackup(const std::string& folder, BackupManifest& manifest, std::string& reason) {
  const std::string base = WithBackslash(folder);
  bool ok = false;
  const std::string text = ReadWholeFile(base + kManifestName, ok);
  if (!ok) {
    reason = "the folder holds no backup (" + base + kManifestName + " cannot be read)";
    return false;
  }
  if (!ParseManifest(text, manifest, reason)) return false;
  for (const BackupEntry& entry : manifest.entries)
    for (const BackupFile& file : entry.files) {
      CFileHandle saved(CreateFileA((base + file.name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!saved.IsValid()) {
        reason = "the saved file " + file.name + " is missing";
        return false;
      }
      CSha256 hash;
      uint64_t size = 0;
      char block[65536];
      DWORD read = 0;
      while (ReadFile(saved.Get(), block, sizeof(block), &read, nullptr) && read > 0) {
        hash.Add(block, read);
        size += read;
      }
      if (size != file.size || hash.Hex() != file.sha256) {
        reason = "the saved file " + file.name + " is not what was saved (its size or SHA-256 differs)";
        return false;
      }
    }
  return true;
}

UndoResult RestoreBackup(const std::string& folder, const BackupManifest& manifest,
                         const COsVersion& os, bool planOnly) {
  CRestore restore(folder, os, planOnly);
  restore.Run(manifest);
  return restore.Result();
}

std::map<std::string, int> BackupCounts(const BackupManifest& manifest) {
  std::map<std::string, int> counts;
  for (const BackupEntry& e : manifest.entries) ++counts[e.kind];
  return counts;
}

}  // namespace vq
