// CIniFile: the parser of the INI-like text of uninstall scripts.
//
// The whole file is parsed at once. Lines are separated by runs of CR/LF; a
// line starting with a space or ';' is ignored; "[name]" opens a new section
// (duplicates allowed, only the first of a name is ever looked up); other lines
// become entries of the latest section, cut at the first ';', split at the
// first '=' and trimmed of spaces. There is no quoting.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vq {

struct CIniEntry {
  std::string key;    // at most kFieldChars
  std::string value;  // at most kFieldChars; empty when the line had no '='
  int line = 0;       // 1-based line number in the file, for diagnostics
};

struct CIniSection {
  std::string name;  // as written between the brackets, untrimmed
  std::vector<CIniEntry> entries;
  int line = 0;
  bool nameTooLong = false;  // such a section is never found by a lookup
};

// Something the parser passed over that a script author may not expect.
struct CIniNote {
  int line;
  std::string message;
};

class CIniFile {
 public:
  // Reads and parses `path`. Fails when the object already holds sections,
  // when the file cannot be opened for reading with no sharing, when it is
  // empty or its size is unknown, or when nothing could be read.
  bool Read(const std::string& path);

  // Parses `text` as the content of a file called `path` (Read without I/O).
  // Fails only when the object already holds sections or the text is empty.
  bool Parse(const std::string& path, const char* text, std::size_t size);

  int CountEntries(const std::string& section) const;

  // Fill `buffer` with a zero-separated list ended by one more zero: keys
  // (GetKeys) or "key=value" / "key" (GetEntries). Return the bytes written
  // (each text with its zero), negated when some entries did not fit, 0 when
  // the section is missing or empty or an argument is missing. An entry is
  // written only while the list with its final zero stays below `size`; after
  // the first one that does not fit, none is written.
  int GetKeys(const std::string& section, char* buffer, std::size_t size) const;
  int GetEntries(const std::string& section, char* buffer, std::size_t size) const;

  // First section whose name equals `name` without regard to case, or null.
  const CIniSection* FindSection(const std::string& name) const;

  const std::vector<CIniSection>& Sections() const { return sections_; }
  const std::string& FileName() const { return fileName_; }
  const std::vector<CIniNote>& Notes() const { return notes_; }

  // Text an entry contributes to GetEntries.
  static std::string EntryText(const CIniEntry& e);

 private:
  int FillList(const std::string& section, char* buffer, std::size_t size,
               bool withValues) const;
  void ParseLine(const char* line, std::size_t len, int lineNo);

  std::vector<CIniSection> sections_;
  std::string fileName_;
  std::vector<CIniNote> notes_;
};

// Reads a whole file that no other handle holds open (opened for reading with
// no sharing). Returns false when it cannot be opened, its size is 0 or
// unknown, or the read fails. Implemented per platform.
bool ReadWholeFileExclusive(const std::string& path, std::string& content);

}  // namespace vq
