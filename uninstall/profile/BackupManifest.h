// The manifest of a backup: what an uninstall run changed, one entry per
// change, each written (with the files it saved) to the backup folder and
// flushed before the change was made, so that after a power cut at any
// instant the backup covers every change already made. It is a JSON
// document in UTF-8 (the machine's texts are Windows-1252 and converted),
// laid out so that an administrator can read it and the tool can add an
// entry by rewriting only its end:
//
//   {
//     "format": 1,
//     "tool": "TORVAX02",
//     "created": "2026-12-09 14:03:59",
//     "commandLine": "TORVAX02.exe /QUIET /MFG:\"VARDEN QUILLAN\"",
//     "windows": "platform 3, version 8",
//     "entries": [
//       {"kind": "file", "item": {...}, "files": [{"name": "0001.bin", "size": 1234, "sha256": "..."}]},
//       ...
//     ]
//   }
//
// Each entry is one line. Its "item" holds what the kind needs to put the
// thing back (see README, "The backup folder"); "files" the files saved
// beside the manifest, each with its size and SHA-256, by which an undo
// verifies them before it restores anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace vq {

using ManifestJson = nlohmann::ordered_json;

// A file the backup saved beside its manifest.
struct BackupFile {
  std::string name;    // a plain file name in the backup folder ("0007.bin")
  uint64_t size = 0;
  std::string sha256;  // 64 lower-case hexadecimal digits
};

struct BackupEntry {
  std::string kind;    // one of kBackupKinds
  ManifestJson item;   // a JSON object: what it was
  std::vector<BackupFile> files;
};

// The kinds an entry may have; any other makes the manifest malformed.
extern const char* const kBackupKinds[];
extern const std::size_t kBackupKindCount;

struct BackupManifest {
  int format = 1;
  std::string created;      // local time of the run's start, "YYYY-MM-DD HH:MM:SS"
  std::string commandLine;  // UTF-8
  std::string windows;      // the Windows the run ran on, as text
  std::vector<BackupEntry> entries;
};

// The whole document, ending with kManifestEnd.
std::string ManifestText(const BackupManifest& manifest);

// The text that ends every manifest; a new entry replaces it with
// EntryAppendix(entry, isFirst).
extern const char kManifestEnd[];
std::string EntryAppendix(const BackupEntry& entry, bool isFirst);

// Reads a manifest. False, with `reason` saying what is wrong in a sentence
// an administrator understands, when the text is not such a document: not
// JSON, a field missing or of the wrong type, an unknown format or kind, a
// file name that is not a plain name of the backup folder, a size or hash
// that is not one. Never throws, whatever the text.
bool ParseManifest(const std::string& text, BackupManifest& out, std::string& reason);

// A name of one file in a folder, and nothing else: no folder part, drive,
// stream or device name, no trailing dot or space.
bool IsPlainFileName(const std::string& name);

// The SHA-256 of `size` bytes, as 64 lower-case hexadecimal digits; the
// streaming form for files read in blocks.
std::string Sha256Hex(const void* data, std::size_t size);
class CSha256 {
 public:
  CSha256();
  void Add(const void* data, std::size_t size);
  std::string Hex();  // ends the hash

 private:
  void Block(const unsigned char* block);
  uint32_t state_[8];
  unsigned char buffer_[64];
  std::size_t buffered_ = 0;
  uint64_t length_ = 0;
};

}  // namespace vq
