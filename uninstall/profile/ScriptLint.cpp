#include "uninstall/profile/ScriptLint.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_map>

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

// How many entries of `section` the reader gets when it fetches them into a
// buffer of `size`; the first entry it loses is reported. An empty text ends
// the fetched list, so the entries after it are lost too.
std::size_t LintSectionLimit(const CIniSection& section, std::size_t size, bool withValues,
                             const char* what, std::vector<ScriptWarning>& out) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < section.entries.size(); ++i) {
    const CIniEntry& e = section.entries[i];
    const std::string text = withValues ? CIniFile::EntryText(e) : e.key;
    if (total + text.size() + 2 >= size) {
      out.push_back({e.line, std::string(what) + " \"" + text + "\" and the lines after it are " +
                                 "dropped: the entries of [" + section.name + "] exceed " +
                                 std::to_string(size - 1) + " bytes"});
      return i;
    }
    if (text.empty()) {
      if (i + 1 < section.entries.size())
        out.push_back({e.line, "empty entry ends the list of [" + section.name +
                                   "]: the lines after it are not read"});
      return i;
    }
    total += text.size() + 1;
  }
  return section.entries.size();
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
    // The distance is at least the difference in length: a long section name
    // costs nothing here.
    const std::size_t len = std::strlen(CategorySuffix(c));
    const std::size_t gap = suffix.size() > len ? suffix.size() - len : len - suffix.size();
    if (gap >= static_cast<std::size_t>(bestDistance)) continue;
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

namespace {

// Section names folded for lookups, each with the first section of that name:
// the only one the reader ever finds.
using FirstSections = std::unordered_map<std::string, const CIniSection*>;

FirstSections LintRepeatedSections(const CIniFile& file, std::vector<ScriptWarning>& out) {
  FirstSections first;
  for (const CIniSection& s : file.Sections()) {
    auto ins = first.emplace(FoldedCopy(s.name), &s);
    if (!ins.second)
      out.push_back({s.line, "section [" + s.name + "] repeats the one at line " +
                                 std::to_string(ins.first->second->line) + ": it is never read"});
  }
  return first;
}

// The section bases (folded) of the starter entries the reader uses, and of
// those it drops, each with the line of the first entry that named it.
struct StarterBases {
  std::unordered_map<std::string, int> read;
  std::unordered_map<std::string, int> dropped;
};

// Starter sections: the 260-byte limit, the three fields and repeated names
// (profiles are kept by name, the first one read wins).
StarterBases LintStarterSections(const CIniFile& file, std::vector<ScriptWarning>& out) {
  StarterBases bases;
  std::unordered_map<std::string, int> names;
  for (int s = 0; s < kStarterSectionCount; ++s) {
    const CIniSection* sec = file.FindSection(kStarterSections[s]);
    if (!sec) continue;
    const std::size_t readCount =
        LintSectionLimit(*sec, kStarterSectionBuffer, s == 0, "starter entry", out);
    for (std::size_t i = 0; i < sec->entries.size(); ++i) {
      const CIniEntry& e = sec->entries[i];
      const std::string entry = s == 0 ? CIniFile::EntryText(e) : e.key;
      std::size_t c1 = entry.find(',');
      std::size_t c2 = c1 == std::string::npos ? c1 : entry.find(',', c1 + 1);
      if (c2 == std::string::npos) {
        if (i < readCount)
          out.push_back({e.line, "starter entry \"" + entry + "\" needs three fields " +
                                     "(name,section base,number): it is skipped"});
        continue;
      }
      const std::string base = FoldedCopy(entry.substr(c1 + 1, c2 - c1 - 1));
      bool used = i < readCount;
      if (used) {
        std::string name = entry.substr(0, c1);
        TrimChar(name, '"');
        auto ins = names.emplace(FoldedCopy(name), e.line);
        if (!ins.second) {
          out.push_back({e.line, "starter entry \"" + name + "\" repeats the name at line " +
                                     std::to_string(ins.first->second) +
                                     ": only the first is used"});
          used = false;
        }
      }
      (used ? bases.read : bases.dropped).emplace(base, e.line);
    }
  }
  return bases;
}

void LintCategorySection(const CIniSection& s, const StarterBases& bases,
                         std::vector<ScriptWarning>& out) {
  std::size_t dot = s.name.rfind('.');
  if (dot == std::string::npos) return;
  const std::string base = s.name.substr(0, dot);
  const std::string suffix = s.name.substr(dot + 1);
  const char* known = KnownSuffix(suffix);
  const std::string folded = FoldedCopy(base);
  const bool reached = bases.read.count(folded) != 0;
  if (!known) {
    const char* near = NearestSuffix(suffix);
    if (reached || near)
      out.push_back({s.line, "[" + s.name + "]: unknown category \"" + suffix + "\"" +
                                 (near ? std::string(" (did you mean \"") + near + "\"?)" : "")});
    return;
  }
  if (!reached) {
    auto dropped = bases.dropped.find(folded);
    if (dropped != bases.dropped.end())
      out.push_back({s.line, "[" + s.name + "]: its starter entry at line " +
                                 std::to_string(dropped->second) +
                                 " is dropped, so the section is never read"});
    else
      out.push_back({s.line, "[" + s.name + "]: no starter entry has the section base \"" + base +
                                 "\", so the section is never read"});
    return;
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

}  // namespace

// Every step is one pass over the sections or entries with hashed lookups:
// the time grows with the size of the script, not with its square.
std::vector<ScriptWarning> LintScript(const std::string& text, const CIniFile& file) {
  std::vector<ScriptWarning> out;
  LintRawLines(text, out);
  for (const CIniNote& n : file.Notes()) out.push_back({n.line, n.message});
  const FirstSections first = LintRepeatedSections(file, out);
  const StarterBases bases = LintStarterSections(file, out);
  for (const CIniSection& s : file.Sections()) {
    // Repeats are reported above; over-long names are never looked up.
    if (s.nameTooLong || first.at(FoldedCopy(s.name)) != &s) continue;
    LintCategorySection(s, bases, out);
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const ScriptWarning& a, const ScriptWarning& b) { return a.line < b.line; });
  return out;
}

}  // namespace vq
