// The backup manifest: what the writer writes (whole, and grown an entry at
// a time) reads back as it was; a manifest cut short, of another tool or
// format, or naming a saved file outside its folder is refused with a
// reason; SHA-256 gives the published digests, whole or in blocks.
#include <gtest/gtest.h>

#include <string>

#include "uninstall/profile/BackupManifest.h"

using namespace vq;

namespace {

BackupManifest Sample() {
  BackupManifest m;
  m.created = "2026-12-09 14:03:59";
  m.commandLine = "TORVAX02.exe /QUIET /MFG:\"VARDEN QUILLAN\"";
  m.windows = "platform 2, version 5.1";
  m.entries.push_back({"file", {{"path", "C:\\WINDOWS\\SYSTEM32\\QV7310.DLL"}, {"attributes", 32}},
                       {{"0001.bin", 3, Sha256Hex("abc", 3)}}});
  m.entries.push_back({"profile string", {{"section", "windows"}, {"key", "device"}}, {}});
  return m;
}

void ExpectSame(const BackupManifest& a, const BackupManifest& b) {
  EXPECT_EQ(a.created, b.created);
  EXPECT_EQ(a.commandLine, b.commandLine);
  EXPECT_EQ(a.windows, b.windows);
  ASSERT_EQ(a.entries.size(), b.entries.size());
  for (std::size_t i = 0; i < a.entries.size(); ++i) {
    EXPECT_EQ(a.entries[i].kind, b.entries[i].kind);
    EXPECT_EQ(a.entries[i].item, b.entries[i].item);
    ASSERT_EQ(a.entries[i].files.size(), b.entries[i].files.size());
    for (std::size_t f = 0; f < a.entries[i].files.size(); ++f) {
      EXPECT_EQ(a.entries[i].files[f].name, b.entries[i].files[f].name);
      EXPECT_EQ(a.entries[i].files[f].size, b.entries[i].files[f].size);
      EXPECT_EQ(a.entries[i].files[f].sha256, b.entries[i].files[f].sha256);
    }
  }
}

// The sample's text with its first saved file's line edited: `from` replaced by `to`.
std::string Edited(const std::string& from, const std::string& to) {
  std::string text = ManifestText(Sample());
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

}  // namespace

TEST(BackupManifest, WrittenWholeOrAnEntryAtATimeReadsBackAsItWas) {
  const BackupManifest sample = Sample();
  BackupManifest read;
  std::string reason;
  ASSERT_TRUE(ParseManifest(ManifestText(sample), read, reason)) << reason;
  ExpectSame(sample, read);
  // As a run writes it: the head with no entry, then each entry replacing the end.
  BackupManifest head = sample;
  head.entries.clear();
  std::string text = ManifestText(head);
  for (std::size_t i = 0; i < sample.entries.size(); ++i) {
    text.resize(text.size() - std::string(kManifestEnd).size());
    text += EntryAppendix(sample.entries[i], i == 0);
    ASSERT_TRUE(ParseManifest(text, read, reason)) << reason << "\n" << text;
  }
  ExpectSame(sample, read);
  EXPECT_EQ(text, ManifestText(sample));
}

TEST(BackupManifest, WhatCannotBeTrustedIsRefusedWithItsReason) {
  const std::string whole = ManifestText(Sample());
  const struct {
    std::string text;
    const char* reason;
  } rows[] = {
      {whole.substr(0, whole.size() - 20), "not a complete JSON document"},
      {whole.substr(0, whole.size() / 2), "not a complete JSON document"},
      {"", "not a complete JSON document"},
      {"[1, 2]", "not a complete JSON document"},
      {Edited("\"format\": 1", "\"format\": 2"), "not one of this tool's"},
      {Edited("\"TORVAX02\"", "\"OTHER\""), "not one of this tool's"},
      {Edited("\"created\"", "\"made\""), "lacks its date"},
      {Edited("\"entries\"", "\"entry\""), "no list of entries"},
      {Edited("\"kind\":\"file\"", "\"kind\":\"anything\""), "entry 1 is of an unknown kind"},
      {Edited("\"item\":{", "\"items\":{"), "entry 1 has no item"},
      {Edited("\"files\":[", "\"saved\":["), "entry 1 has no list of files"},
      {Edited("\"size\":3", "\"size\":-3"), "entry 1: the saved file 0001.bin has no size"},
      {Edited("\"sha256\":\"ba", "\"sha256\":\"BA"), "has no SHA-256"},
      // A saved file must be one of the backup folder's own: never a path
      // an undo would read from elsewhere, a device, or another file's alias.
      {Edited("0001.bin", "..\\\\..\\\\system32\\\\config\\\\SAM"), "no plain name"},
      {Edited("0001.bin", "C:0001.bin"), "no plain name"},
      {Edited("0001.bin", "0001.bin:stream"), "no plain name"},
      {Edited("0001.bin", ".."), "no plain name"},
      {Edited("0001.bin", "NUL"), "no plain name"},
      {Edited("0001.bin", "com1.bin"), "no plain name"},
      {Edited("0001.bin", "Lpt9"), "no plain name"},
      {Edited("0001.bin", "0001.bin. "), "no plain name"},
      {Edited("0001.bin", "00\\u000101.bin"), "no plain name"},
  };
  for (const auto& row : rows) {
    BackupManifest read;
    std::string reason;
    EXPECT_FALSE(ParseManifest(row.text, read, reason)) << row.text;
    EXPECT_NE(reason.find(row.reason), std::string::npos) << reason << "\n" << row.text;
  }
  // Names that only look like devices are plain.
  for (const char* plain : {"CONSOLE.bin", "com10.bin", "0001.bin", "nul1"}) {
    BackupManifest read;
    std::string reason;
    EXPECT_TRUE(ParseManifest(Edited("0001.bin", plain), read, reason)) << plain << ": " << reason;
  }
}

// FIPS 180-4's examples, and a million 'a' fed in blocks that end inside
// and across the 64-byte block and its 56-byte padding boundary.
TEST(BackupManifest, Sha256GivesThePublishedDigests) {
  EXPECT_EQ(Sha256Hex("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(Sha256Hex(two.data(), two.size()),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  const std::string million(1000000, 'a');
  const char kMillion[] = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";
  EXPECT_EQ(Sha256Hex(million.data(), million.size()), kMillion);
  for (std::size_t step : {1u, 55u, 56u, 63u, 64u, 65u, 4099u}) {
    CSha256 hash;
    for (std::size_t at = 0; at < million.size(); at += step)
      hash.Add(million.data() + at, std::min(step, million.size() - at));
    EXPECT_EQ(hash.Hex(), kMillion) << "in blocks of " << step;
  }
}
