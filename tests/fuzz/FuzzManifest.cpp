// A backup folder's manifest as an undo reads it: any bytes are read without
// a throw or a crash; what is accepted names only plain files of the folder
// and, written again, reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "uninstall/profile/BackupManifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  vq::BackupManifest manifest;
  std::string reason;
  if (!vq::ParseManifest(text, manifest, reason)) {
    if (reason.empty()) __builtin_trap();
    return 0;
  }
  for (const vq::BackupEntry& entry : manifest.entries)
    for (const vq::BackupFile& file : entry.files)
      if (file.name.find_first_of("\\/:") != std::string::npos || file.name == "..") __builtin_trap();
  vq::BackupManifest again;
  if (!vq::ParseManifest(vq::ManifestText(manifest), again, reason)) __builtin_trap();
  if (again.entries.size() != manifest.entries.size()) __builtin_trap();
  return 0;
}
