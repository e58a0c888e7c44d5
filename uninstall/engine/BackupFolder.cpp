#include "uninstall/engine/BackupFolder.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/Handles.h"

namespace vq {

const char kManifestName[] = "manifest.json";

namespace {

const char kRootName[] = "Qunz__02.bak";

// A SID owned by this object.
class COwnedSid {
 public:
  COwnedSid(BYTE subAuthorities, DWORD first, DWORD second) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&nt, subAuthorities, first, second, 0, 0, 0, 0, 0, 0, &sid_))
      sid_ = nullptr;
  }
  ~COwnedSid() {
    if (sid_) FreeSid(sid_);
  }
  COwnedSid(const COwnedSid&) = delete;
  COwnedSid& operator=(const COwnedSid&) = delete;
  PSID Get() const { return sid_; }

 private:
  PSID sid_ = nullptr;
};

// Creates one folder whose access list lets only the administrators and the
// system in, and passes that on to what is made inside it. (AddAccessAllowedAceEx,
// which sets the inheritance flags, is Windows 2000's: the flags are set on
// the entries afterwards, as every NT can.) From Windows 2000 on, the
// system merges the parent's inheritable entries (the Users' read, the
// Power Users' modify under the Windows folder) into the list given at
// creation unless the descriptor is marked protected ("DACL for a New
// Object", learn.microsoft.com/windows/win32/secauthz/dacl-for-a-new-object).
bool CreateProtectedFolder(const std::string& folder, bool inheritsAutomatically) {
  const COwnedSid administrators(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
  const COwnedSid system(1, SECURITY_LOCAL_SYSTEM_RID, 0);
  if (!administrators.Get() || !system.Get()) return false;
  const DWORD size = sizeof(ACL) + 2 * sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(administrators.Get()) +
                     GetLengthSid(system.Get());
  std::vector<BYTE> buffer(size);
  PACL acl = reinterpret_cast<PACL>(buffer.data());
  if (!InitializeAcl(acl, size, ACL_REVISION) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL | FILE_ALL_ACCESS, administrators.Get()) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL | FILE_ALL_ACCESS, system.Get()))
    return false;
  for (DWORD i = 0; i < 2; ++i) {
    void* ace = nullptr;
    if (!GetAce(acl, i, &ace)) return false;
    static_cast<ACE_HEADER*>(ace)->AceFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
  }
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE))
    return false;
  if (inheritsAutomatically) descriptor.Control |= SE_DACL_PROTECTED;
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, FALSE};
  return CreateDirectoryA(folder.c_str(), &attributes) != FALSE;
}

}  // namespace

std::string DefaultBackupRoot() {
  char windows[MAX_PATH] = "";
  const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return WithBackslash(windows) + kRootName + "\\";
}

std::string NewBackupFolder(const std::string& root) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char stamp[32];
  std::snprintf(stamp, sizeof(stamp), "%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  std::string folder = WithBackslash(root) + stamp;
  for (int n = 2; PathExists(folder) && n < 1000; ++n)
    folder = WithBackslash(root) + stamp + "-" + std::to_string(n);
  return folder + "\\";
}

bool CreateAdministratorsFolder(const std::string& folder, const COsVersion& os) {
  const std::string path = WithBackslash(folder);
  // Each folder from the top down: "C:\", then "C:\A\", ...
  for (std::size_t end = path.find('\\', 3); end != std::string::npos; end = path.find('\\', end + 1)) {
    const std::string part = path.substr(0, end);
    if (PathExists(part)) continue;
    const bool created = os.IsNT() ? CreateProtectedFolder(part, os.IsWindows2000OrLater())
                                   : CreateDirectoryA(part.c_str(), nullptr) != FALSE;
    if (!created && !PathExists(part)) return false;
  }
  return true;
}

bool CBackupFolder::Create(const std::string& folder, const COsVersion& os,
                           const BackupManifest& head, std::string& reason) {
  folder_ = WithBackslash(folder);
  const std::string manifest = folder_ + kManifestName;
  if (PathExists(manifest)) {
    reason = "the folder holds a backup already";
    return false;
  }
  if (!CreateAdministratorsFolder(folder_, os)) {
    reason = "the folder cannot be created (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  manifest_.Attach(CreateFileA(manifest.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  const std::string text = ManifestText(head);
  if (!manifest_.IsValid() || !WriteAll(manifest_.Get(), text)) {
    reason = "the manifest cannot be written (error " + std::to_string(GetLastError()) + ")";
    manifest_.Close();
    return false;
  }
  bytes_ = text.size();
  empty_ = head.entries.empty();
  return true;
}

std::string CBackupFolder::NextFileName() {
  char name[16];
  std::snprintf(name, sizeof(name), "%04d.bin", nextFile_++);
  return name;
}

bool CBackupFolder::SaveBytes(const std::string& bytes, BackupFile& saved) {
  saved.name = NextFileName();
  CFileHandle file(CreateFileA((folder_ + saved.name).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid() || !WriteAll(file.Get(), bytes)) return false;
  saved.size = bytes.size();
  saved.sha256 = Sha256Hex(bytes.data(), bytes.size());
  bytes_ += bytes.size();
  return true;
}

bool CBackupFolder::SaveFile(const std::string& path, BackupFile& saved) {
  CFileHandle source(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!source.IsValid()) return false;
  saved.name = NextFileName();
  CFileHandle copy(CreateFileA((folder_ + saved.name).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!copy.IsValid()) return false;
  CSha256 hash;
  saved.size = 0;
  std::vector<char> block(64 * 1024);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(source.Get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr))
      return false;
    if (read == 0) break;
    DWORD written = 0;
    if (!WriteFile(copy.Get(), block.data(), read, &written, nullptr) || written != read) return false;
    hash.Add(block.data(), read);
    saved.size += read;
  }
  if (!FlushFileBuffers(copy.Get())) return false;
  saved.sha256 = hash.Hex();
  bytes_ += saved.size;
  return true;
}

bool CBackupFolder::Append(const BackupEntry& entry) {
  if (!manifest_.IsValid()) return false;
  const LONG back = -static_cast<LONG>(std::strlen(kManifestEnd));
  if (SetFilePointer(manifest_.Get(), back, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR)
    return false;
  const std::string appendix = EntryAppendix(entry, empty_);
  if (!WriteAll(manifest_.Get(), appendix)) return false;
  empty_ = false;
  bytes_ += appendix.size();
  return true;
}

}  // namespace vq
