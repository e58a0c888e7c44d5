// The folder of one run's backup: its manifest and the files saved beside
// it. Everything written is flushed to disk before the writing call returns,
// so that the change the caller makes next is covered even if the machine
// loses power right after it.
#pragma once

#include <windows.h>

#include <string>

#include "uninstall/profile/BackupManifest.h"
#include "uninstall/system/Handles.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

// Where the backups are by default: "<Windows folder>\Qunz__02.bak\", with a
// trailing backslash; empty when the Windows folder cannot be had.
std::string DefaultBackupRoot();

// The folder a backup made now goes to by default: the default root and the
// date and time, "<root>20261209-140359\" (with "-2", "-3"... when a backup
// of the same second exists).
std::string NewBackupFolder(const std::string& root);

// Creates `folder` and the folders above it that are missing. On Windows NT
// each folder it creates lets only the administrators and the system write
// (and read) in it: a backup that a user could change would let that user
// plant files that an administrator's undo puts into the system folder.
bool CreateAdministratorsFolder(const std::string& folder, const COsVersion& os);

class CBackupFolder {
 public:
  // Creates the folder (it must not hold a manifest already) and writes the
  // manifest with no entries. False, with `reason`, when it cannot.
  bool Create(const std::string& folder, const COsVersion& os, const BackupManifest& head,
              std::string& reason);
  bool IsOpen() const { return manifest_.IsValid(); }
  const std::string& Folder() const { return folder_; }

  // Saves a copy of the file `path`, or the bytes given, beside the
  // manifest under a new name; false when it cannot be read or written.
  bool SaveFile(const std::string& path, BackupFile& saved);
  bool SaveBytes(const std::string& bytes, BackupFile& saved);

  // Adds `entry` at the end of the manifest and flushes it; false when it
  // cannot be written (the change it stands for must then not be made).
  bool Append(const BackupEntry& entry);

  // The bytes written so far, the manifest's included.
  unsigned long long BytesWritten() const { return bytes_; }

 private:
  std::string NextFileName();

  std::string folder_;
  CFileHandle manifest_;
  int nextFile_ = 1;
  bool empty_ = true;
  unsigned long long bytes_ = 0;
};

// The backup folder's manifest file name.
extern const char kManifestName[];  // "manifest.json"

}  // namespace vq
