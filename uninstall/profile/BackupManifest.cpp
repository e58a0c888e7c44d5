#include "uninstall/profile/BackupManifest.h"

#include <algorithm>
#include <cstring>

#include "uninstall/profile/TextRoutines.h"

namespace vq {

const char* const kBackupKinds[] = {
    "file",          "folder",         "attributes",      "ini lines",
    "registry key",  "registry value", "registry value set", "printer",
    "printer settings", "printer connection", "print jobs", "driver",
    "driver package", "inf copy",      "monitor",         "print processor",
    "service",       "profile string", "hook",            "disguise tool",
    "end",
};
const std::size_t kBackupKindCount = sizeof(kBackupKinds) / sizeof(kBackupKinds[0]);

const char kManifestEnd[] = "\n  ]\n}\n";

namespace {

ManifestJson EntryJson(const BackupEntry& entry) {
  ManifestJson files = ManifestJson::array();
  for (const BackupFile& f : entry.files)
    files.push_back({{"name", f.name}, {"size", f.size}, {"sha256", f.sha256}});
  return {{"kind", entry.kind}, {"item", entry.item}, {"files", files}};
}

// The entry on one line; texts that are not UTF-8 are replaced, never thrown on.
std::string EntryLine(const BackupEntry& entry) {
  return EntryJson(entry).dump(-1, ' ', false, ManifestJson::error_handler_t::replace);
}

bool IsKnownKind(const std::string& kind) {
  for (std::size_t i = 0; i < kBackupKindCount; ++i)
    if (kind == kBackupKinds[i]) return true;
  return false;
}

bool IsHex(const std::string& text, std::size_t length) {
  if (text.size() != length) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// A name Windows takes for a device in every folder ("NUL", "com1.bin"):
// reading it would read the device, not a saved file.
bool IsDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  base = FoldedCopy(base);
  if (base == "con" || base == "prn" || base == "aux" || base == "nul" || base == "clock$") return true;
  return base.size() == 4 && (base.rfind("com", 0) == 0 || base.rfind("lpt", 0) == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

}  // namespace

// A file of the backup folder itself: no folder part, no device or stream,
// no trailing dot or space (Windows drops them and opens another file).
bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name.size() > 64 || name.back() == '.' || name.back() == ' ') return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  return name.find_first_of("\\/:*?\"<>|") == std::string::npos && !IsDeviceName(name);
}

namespace {

const ManifestJson* Field(const ManifestJson& object, const char* name) {
  auto it = object.find(name);
  return it == object.end() ? nullptr : &*it;
}

bool StringField(const ManifestJson& object, const char* name, std::string& out) {
  const ManifestJson* f = Field(object, name);
  if (!f || !f->is_string()) return false;
  out = f->get<std::string>();
  return true;
}

bool ReadFile(const ManifestJson& j, BackupFile& file, std::string& reason) {
  if (!j.is_object() || !StringField(j, "name", file.name) || !IsPlainFileName(file.name)) {
    reason = "a saved file has no plain name";
    return false;
  }
  const ManifestJson* size = Field(j, "size");
  if (!size || !size->is_number_unsigned()) {
    reason = "the saved file " + file.name + " has no size";
    return false;
  }
  file.size = size->get<uint64_t>();
  if (!StringField(j, "sha256", file.sha256) || !IsHex(file.sha256, 64)) {
    reason = "the saved file " + file.name + " has no SHA-256";
    return false;
  }
  return true;
}

bool ReadEntry(const ManifestJson& j, std::size_t index, BackupEntry& entry, std::string& reason) {
  const std::string where = "entry " + std::to_string(index + 1);
  if (!j.is_object() || !StringField(j, "kind", entry.kind)) {
    reason = where + " has no kind";
    return false;
  }
  if (!IsKnownKind(entry.kind)) {
    reason = where + " is of an unknown kind";
    return false;
  }
  const ManifestJson* item = Field(j, "item");
  if (!item || !item->is_object()) {
    reason = where + " has no item";
    return false;
  }
  entry.item = *item;
  const ManifestJson* files = Field(j, "files");
  if (!files || !files->is_array()) {
    reason = where + " has no list of files";
    return false;
  }
  for (const ManifestJson& f : *files) {
    BackupFile file;
    if (!ReadFile(f, file, reason)) {
      reason = where + ": " + reason;
      return false;
    }
    entry.files.push_back(file);
  }
  return true;
}

}  // namespace

std::string ManifestText(const BackupManifest& manifest) {
  ManifestJson head = {{"format", manifest.format},
                       {"tool", "TORVAX02"},
                       {"created", manifest.created},
                       {"commandLine", manifest.commandLine},
                       {"windows", manifest.windows}};
  std::string text = head.dump(2, ' ', false, ManifestJson::error_handler_t::replace);
  text.resize(text.size() - 2);  // the closing "\n}"
  text += ",\n  \"entries\": [";
  for (std::size_t i = 0; i < manifest.entries.size(); ++i)
    text += (i ? ",\n    " : "\n    ") + EntryLine(manifest.entries[i]);
  return text + kManifestEnd;
}

std::string EntryAppendix(const BackupEntry& entry, bool isFirst) {
  return (isFirst ? "\n    " : ",\n    ") + EntryLine(entry) + kManifestEnd;
}

bool ParseManifest(const std::string& text, BackupManifest& out, std::string& reason) {
  out = BackupManifest();
  const ManifestJson j = ManifestJson::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) {
    reason = "the manifest is not a complete JSON document (cut short or damaged)";
    return false;
  }
  std::string tool;
  const ManifestJson* format = Field(j, "format");
  if (!StringField(j, "tool", tool) || tool != "TORVAX02" || !format ||
      !format->is_number_integer() || format->get<long long>() != 1) {
    reason = "the manifest is not one of this tool's (format 1)";
    return false;
  }
  if (!StringField(j, "created", out.created) || !StringField(j, "commandLine", out.commandLine) ||
      !StringField(j, "windows", out.windows)) {
    reason = "the manifest lacks its date, command line or Windows";
    return false;
  }
  const ManifestJson* entries = Field(j, "entries");
  if (!entries || !entries->is_array()) {
    reason = "the manifest has no list of entries";
    return false;
  }
  for (std::size_t i = 0; i < entries->size(); ++i) {
    BackupEntry entry;
    if (!ReadEntry((*entries)[i], i, entry, reason)) return false;
    out.entries.push_back(std::move(entry));
  }
  return true;
}

// ---- SHA-256 (FIPS 180-4) -----------------------------------------------------

namespace {

const uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

uint32_t Rotate(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

}  // namespace

CSha256::CSha256()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab,
             0x5be0cd19} {}

void CSha256::Block(const unsigned char* block) {
  uint32_t w[64];
  for (int i = 0; i < 16; ++i)
    w[i] = (uint32_t(block[4 * i]) << 24) | (uint32_t(block[4 * i + 1]) << 16) |
           (uint32_t(block[4 * i + 2]) << 8) | uint32_t(block[4 * i + 3]);
  for (int i = 16; i < 64; ++i) {
    const uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4],
           f = state_[5], g = state_[6], h = state_[7];
  for (int i = 0; i < 64; ++i) {
    const uint32_t t1 = h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) + ((e & f) ^ (~e & g)) +
                        kRoundConstants[i] + w[i];
    const uint32_t t2 = (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state_[0] += a; state_[1] += b; state_[2] += c; state_[3] += d;
  state_[4] += e; state_[5] += f; state_[6] += g; state_[7] += h;
}

void CSha256::Add(const void* data, std::size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  length_ += size;
  while (size > 0) {
    const std::size_t take = std::min<std::size_t>(size, 64 - buffered_);
    std::memcpy(buffer_ + buffered_, bytes, take);
    buffered_ += take;
    bytes += take;
    size -= take;
    if (buffered_ == 64) {
      Block(buffer_);
      buffered_ = 0;
    }
  }
}

std::string CSha256::Hex() {
  const uint64_t bits = length_ * 8;
  const unsigned char one = 0x80, zero = 0;
  Add(&one, 1);
  while (buffered_ != 56) Add(&zero, 1);
  unsigned char length[8];
  for (int i = 0; i < 8; ++i) length[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
  Add(length, 8);
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint32_t word : state_)
    for (int shift = 28; shift >= 0; shift -= 4) hex += kDigits[(word >> shift) & 0xF];
  return hex;
}

std::string Sha256Hex(const void* data, std::size_t size) {
  CSha256 hash;
  hash.Add(data, size);
  return hash.Hex();
}

}  // namespace vq
