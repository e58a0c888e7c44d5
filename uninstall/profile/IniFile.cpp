#include "uninstall/profile/IniFile.h"

#include <cstring>

#include "uninstall/profile/TextRoutines.h"

namespace vq {

namespace {
bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

std::string TrimSpaces(const char* begin, const char* end) {
  while (begin < end && *begin == ' ') ++begin;
  while (end > begin && end[-1] == ' ') --end;
  return std::string(begin, end);
}
}  // namespace

bool CIniFile::Read(const std::string& path) {
  if (!sections_.empty()) return false;
  std::string content;
  if (!ReadWholeFileExclusive(path, content)) return false;
  return Parse(path, content.data(), content.size());
}

bool CIniFile::Parse(const std::string& path, const char* text, std::size_t size) {
  if (!sections_.empty() || !text || size == 0) return false;
  fileName_ = path.substr(0, kFieldChars);
  // Lines are cut at any run of CR/LF; the end of the text ends the last line.
  int lineNo = 1;
  std::size_t i = 0;
  while (i < size) {
    std::size_t start = i;
    while (i < size && !IsLineBreak(text[i])) ++i;
    ParseLine(text + start, i - start, lineNo);
    while (i < size && IsLineBreak(text[i])) {
      if (text[i] == '\n') ++lineNo;
      else if (i + 1 >= size || text[i + 1] != '\n') ++lineNo;  // lone CR
      ++i;
    }
  }
  return true;
}

void CIniFile::ParseLine(const char* line, std::size_t len, int lineNo) {
  if (len == 0) return;  // only a first line can be empty
  if (line[0] == ' ' || line[0] == ';') return;
  // A NUL byte ends the line as it would end a C string.
  const void* nul = std::memchr(line, '\0', len);
  if (nul) len = static_cast<const char*>(nul) - line;
  if (len == 0) return;
  if (line[0] == '[') {
    const char* close = static_cast<const char*>(std::memchr(line, ']', len));
    if (!close) {
      notes_.push_back({lineNo, "section header without ']' is ignored"});
      return;
    }
    CIniSection s;
    s.name.assign(line + 1, close);
    s.line = lineNo;
    if (s.name.size() > kFieldChars) {
      s.nameTooLong = true;
      notes_.push_back({lineNo, "section name longer than 259 characters: the section is never read"});
    }
    sections_.push_back(std::move(s));
    return;
  }
  if (sections_.empty()) return;
  const char* end = line + len;
  const char* semicolon = static_cast<const char*>(std::memchr(line, ';', len));
  if (semicolon) end = semicolon;
  const char* eq = static_cast<const char*>(std::memchr(line, '=', end - line));
  CIniEntry e;
  e.line = lineNo;
  if (eq) {
    e.key = TrimSpaces(line, eq);
    e.value = TrimSpaces(eq + 1, end);
  } else {
    e.key = TrimSpaces(line, end);
  }
  if (e.key.size() > kFieldChars || e.value.size() > kFieldChars) {
    // A cut key or value could name another file or key than the author meant.
    notes_.push_back({lineNo, "key or value longer than 259 characters: the line is dropped"});
    return;
  }
  sections_.back().entries.push_back(std::move(e));
}

const CIniSection* CIniFile::FindSection(const std::string& name) const {
  if (name.empty() || name.size() > kFieldChars) return nullptr;
  for (const CIniSection& s : sections_) {
    if (!s.nameTooLong && EqualNoCase(s.name, name)) return &s;
  }
  return nullptr;
}

int CIniFile::CountEntries(const std::string& section) const {
  const CIniSection* s = FindSection(section);
  return s ? static_cast<int>(s->entries.size()) : 0;
}

std::string CIniFile::EntryText(const CIniEntry& e) {
  return e.value.empty() ? e.key : e.key + "=" + e.value;
}

int CIniFile::GetKeys(const std::string& section, char* buffer, std::size_t size) const {
  return FillList(section, buffer, size, false);
}

int CIniFile::GetEntries(const std::string& section, char* buffer, std::size_t size) const {
  return FillList(section, buffer, size, true);
}

int CIniFile::FillList(const std::string& section, char* buffer, std::size_t size,
                       bool withValues) const {
  if (!buffer || size == 0) return 0;
  buffer[0] = '\0';
  if (size > 1) buffer[1] = '\0';
  const CIniSection* s = FindSection(section);
  if (!s || s->entries.empty()) return 0;
  std::size_t total = 0;
  bool cut = false;
  for (const CIniEntry& e : s->entries) {
    const std::string text = withValues ? EntryText(e) : e.key;
    // The list, this text with its zero and the final zero must stay below size.
    if (total + text.size() + 1 + 1 >= size) {
      cut = true;
      break;
    }
    std::memcpy(buffer + total, text.c_str(), text.size() + 1);
    total += text.size() + 1;
  }
  buffer[total] = '\0';
  if (total + 1 < size) buffer[total + 1] = '\0';
  return cut ? -static_cast<int>(total) : static_cast<int>(total);
}

}  // namespace vq
