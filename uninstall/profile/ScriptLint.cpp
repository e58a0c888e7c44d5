#include "uninstall/profile/ScriptLint.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "uninstall/profile/IniFile.h"
#include "uninstall/profile/ScriptLimits.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallProfile.h"

namespace vq {

namespace {

std::string Trimmed(const std::string& s) {
  std::size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return std::string();
  std::size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

// A commented-out line that reads like an entry or a header rather than prose.
bool LooksLikeEntry(const std::string& text) {
  if (text.empty()) return false;
  if (text[0] == '[') return text.find(']') != std::string::npos;
  // Prose: decorated comment lines, or commas followed by a blank.
  const unsigned char first = static_cast<unsigned char>(text[0]);
  if (!(std::isalnum(first) || first == '"' || first >= 0x80)) return false;
  if (text.find(", ") != std::string::npos) return false;
  if (text.find('=') != std::string::npos || text.find(',') != std::string::npos) return true;
  return text.find(' ') == std::string::npos && text.find('.') != std::string::npos;
}

void LintRawLines(const std::string& text, std::vector<ScriptWarning>& out) {
  int lineNo = 1;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = text.find_first_of("\r\n", i);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(i, end - i);
    if (!line.empty()) {
      if (line[0] == ' ' && !Trimmed(line).empty()) {
        out.push_back({lineNo, "indented line is ignored: \"" + Trimmed(line) + "\""});
      } else if (line[0] == '\t') {
        out.push_back({lineNo, "line begins with a tab, which becomes part of its key"});
      } else if (line[0] == ';' && LooksLikeEntry(Trimmed(line.substr(1)))) {
        out.push_back({lineNo, "commented-out entry is ignored: \"" + Trimmed(line.substr(1)) + "\""});
      }
    }
    i = end;
    while (i < text.size() && (text[i] == '\r' || text[i] == '\n')) {
      if (text[i] == '\n' || i + 1 >= text.size() || text[i + 1] != '\n') ++lineNo;
      ++i;
    }
  }
}

// Which entries of `section` fit a buffer of `size` the way the reader
// fetches them; the rest are reported as dropped.
void LintSectionLimit(const CIniSection& section, std::size_t size, bool withValues,
                      const char* what, std::vector<ScriptWarning>& out) {
  std::size_t total = 0;
  for (const CIniEntry& e : section.entries) {
    const std::string text = withValues ? CIniFile::EntryText(e) : e.key;
    if (total + text.size() + 2 >= size) {
      out.push_back({e.line, std::string(what) + " \"" + text + "\" and the lines after it are " +
                                 "dropped: the entries of [" + section.name + "] exceed " +
                                 std::to_string(size - 1) + " bytes"});
      return;
    }
    if (text.empty()) {
      if (&e != &section.entries.back())
        out.push_back({e.line, "empty entry ends the list of [" + section.name +
                                   "]: the lines after it are not read"});
      return;
    }
    total += text.size() + 1;
  }
}

int EditDistance(const std::string& a, const std::string& b) {
  std::vector<int> prev(b.size() + 1), cur(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) prev[j] = static_cast<int>(j);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    cur[0] = static_cast<int>(i);
    for (std::size_t j = 1; j <= b.size(); ++j) {
      int sub = prev[j - 1] + (FoldCase(a[i - 1]) == FoldCase(b[j - 1]) ? 0 : 1);
      cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, sub});
    }
    prev.swap(cur);
  }
  return prev[b.size()];
}

const char* KnownSuffix(const std::string& suffix) {
  for (int c = 0; c < kScriptCategoryCount; ++c) {
    if (EqualNoCase(suffix, CategorySuffix(c))) return CategorySuffix(c);
  }
  return nullptr;
}

const char* NearestSuffix(const std::string& suffix) {
  const char* best = nullptr;
  int bestDistance = 4;
  for (int c = 0; c < kScriptCategoryCount; ++c) {
    int d = EditDistance(suffix, CategorySuffix(c));
    if (d < bestDistance) {
      bestDistance = d;
      best = CategorySuffix(c);
    }
  }
  return best;
}

}  // namespace

bool IsRegistryItemWellFormed(const std::string& item) {
  std::size_t comma = item.find(',');
  if (comma == std::string::npos) return false;
  const std::string root = item.substr(0, comma);
  if (!EqualNoCase(root, "HKLM") && !EqualNoCase(root, "HKCR") && !EqualNoCase(root, "HKCU") &&
      !EqualNoCase(root, "HKU"))
    return false;
  // ,"sub key","value",d  — the removal splits at every comma, so the quoted
  // texts may not hold one.
  std::size_t p = comma + 1;
  for (int field = 0; field < 2; ++field) {
    if (p >= item.size() || item[p] != '"') return false;
    std::size_t close = item.find('"', p + 1);
    if (close == std::string::npos) return false;
    const std::string inner = item.substr(p + 1, close - p - 1);
    if (inner.find(',') != std::string::npos) return false;
    if (field == 0 && inner.empty()) return false;
    p = close + 1;
    if (p >= item.size() || item[p] != ',') return false;
    ++p;
  }
  return p + 1 == item.size() && (item[p] == '0' || item[p] == '1');
}

std::vector<ScriptWarning> LintScript(const std::string& text, const CIniFile& file) {
  std::vector<ScriptWarning> out;
  LintRawLines(text, out);
  for (const CIniNote& n : file.Notes()) out.push_back({n.line, n.message});

  // Repeated headers: only the first section of a name is ever read.
  std::map<std::string, int> firstLine;
  for (const CIniSection& s : file.Sections()) {
    auto ins = firstLine.emplace(FoldedCopy(s.name), s.line);
    if (!ins.second)
      out.push_back({s.line, "section [" + s.name + "] repeats the one at line " +
                                 std::to_string(ins.first->second) + ": it is never read"});
  }

  // Starter sections: the 260-byte limit and the three fields.
  std::map<std::string, bool> reachedBases;
  for (int s = 0; s < kStarterSectionCount; ++s) {
    const CIniSection* sec = file.FindSection(kStarterSections[s]);
    if (!sec) continue;
    LintSectionLimit(*sec, kStarterSectionBuffer, s == 0, "starter entry", out);
    for (const CIniEntry& e : sec->entries) {
      const std::string entry = s == 0 ? CIniFile::EntryText(e) : e.key;
      std::size_t c1 = entry.find(',');
      std::size_t c2 = c1 == std::string::npos ? c1 : entry.find(',', c1 + 1);
      if (c2 == std::string::npos) {
        out.push_back({e.line, "starter entry \"" + entry +
                                   "\" needs three fields (name,section base,number): it is skipped"});
        continue;
      }
      reachedBases[FoldedCopy(entry.substr(c1 + 1, c2 - c1 - 1))] = true;
    }
  }

  // Category sections: limits, item lengths, reachability, suffix spelling.
  for (const CIniSection& s : file.Sections()) {
    if (&s != file.FindSection(s.name)) continue;  // repeats are reported above
    std::size_t dot = s.name.rfind('.');
    if (dot == std::string::npos) continue;
    const std::string base = s.name.substr(0, dot);
    const std::string suffix = s.name.substr(dot + 1);
    const char* known = KnownSuffix(suffix);
    const bool reached = reachedBases.count(FoldedCopy(base)) != 0;
    if (!known) {
      const char* near = NearestSuffix(suffix);
      if (reached || near)
        out.push_back({s.line, "[" + s.name + "]: unknown category \"" + suffix + "\"" +
                                   (near ? std::string(" (did you mean \"") + near + "\"?)" : "")});
      continue;
    }
    if (!reached) {
      out.push_back({s.line, "[" + s.name + "]: no starter entry has the section base \"" + base +
                                 "\", so the section is never read"});
      continue;
    }
    LintSectionLimit(s, kCategorySectionBuffer, true, "item", out);
    for (const CIniEntry& e : s.entries) {
      const std::string item = CIniFile::EntryText(e);
      if (item.size() > kFieldChars)
        out.push_back({e.line, "item longer than 259 characters is dropped"});
      else if (EqualNoCase(known, "RegistryKeys") && !IsRegistryItemWellFormed(item))
        out.push_back({e.line, "registry item \"" + item +
                                   "\" is not of the form ROOT,\"sub key\",\"value\",0|1"});
    }
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const ScriptWarning& a, const ScriptWarning& b) { return a.line < b.line; });
  return out;
}

}  // namespace vq
