#include "uninstall/profile/IniText.h"

#include <algorithm>
#include <map>

#include "uninstall/profile/NameFolding.h"

namespace vq {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// `text[start, end)` without the blanks at both ends.
std::string Trimmed(const std::string& text, std::size_t start, std::size_t end) {
  while (start < end && IsBlank(text[start])) ++start;
  while (end > start && IsBlank(text[end - 1])) --end;
  return text.substr(start, end - start);
}

std::string Trimmed(const std::string& text) { return Trimmed(text, 0, text.size()); }

// Past the end of the line that starts at `start`, with its line end.
std::size_t LineEnd(const std::string& text, std::size_t start, std::size_t& contentEnd) {
  const std::size_t end = text.find_first_of("\r\n", start);
  if (end == std::string::npos) {
    contentEnd = text.size();
    return text.size();
  }
  contentEnd = end;
  if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') return end + 2;
  return end + 1;
}

// The section name of a header line ("[ name ]" gives "name"); false when the
// line is no header.
bool HeaderName(const std::string& line, std::string& name) {
  if (line.empty() || line[0] != '[') return false;
  const std::size_t close = line.find(']');
  if (close == std::string::npos) return false;
  name = Trimmed(line, 1, close);
  return true;
}

bool HoldsEntry(const std::string& line, const std::string& entry) {
  if (line.empty() || line[0] == ';') return false;
  const std::size_t equals = line.find('=');
  if (equals != std::string::npos && EqualNames(Trimmed(line, 0, equals), entry)) return true;
  return EqualNames(line, entry);
}

}  // namespace

std::vector<TextLine> FindIniEntryLines(const std::string& text, const std::string& section,
                                        const std::string& entry) {
  std::vector<TextLine> found;
  const std::string wantedSection = Trimmed(section), wantedEntry = Trimmed(entry);
  if (wantedEntry.empty()) return found;
  bool inSection = false;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t contentEnd = 0;
    const std::size_t end = LineEnd(text, start, contentEnd);
    const std::string line = Trimmed(text, start, contentEnd);
    std::string name;
    if (HeaderName(line, name)) inSection = EqualNames(name, wantedSection);
    else if (inSection && HoldsEntry(line, wantedEntry)) found.push_back(TextLine{start, end});
    start = end;
  }
  return found;
}

std::string WithoutLines(const std::string& text, const std::vector<TextLine>& lines) {
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (const TextLine& line : lines) {
    out.append(text, from, line.start - from);
    from = line.end;
  }
  out.append(text, from, std::string::npos);
  return out;
}

std::string WithLineInSection(const std::string& text, const std::string& section,
                              const std::string& line) {
  const std::string wantedSection = Trimmed(section);
  std::size_t insertAt = std::string::npos;  // past the last non-blank line of the section
  for (std::size_t start = 0; start < text.size();) {
    std::size_t contentEnd = 0;
    const std::size_t end = LineEnd(text, start, contentEnd);
    const std::string content = Trimmed(text, start, contentEnd);
    std::string name;
    if (HeaderName(content, name)) {
      if (insertAt != std::string::npos) break;  // the section ends at the next header
      if (EqualNames(name, wantedSection)) insertAt = end;
    } else if (insertAt != std::string::npos && !content.empty()) {
      insertAt = end;
    }
    start = end;
  }
  std::string added;
  if (insertAt == std::string::npos) {
    insertAt = text.size();
    added = "[" + wantedSection + "]\r\n";
  }
  const char before = insertAt > 0 ? text[insertAt - 1] : '\n';
  if (before != '\n' && before != '\r') added.insert(0, "\r\n");
  added += line + "\r\n";
  std::string out = text;
  out.insert(insertAt, added);
  return out;
}

namespace {

// The lines of `text`, each with its line end.
std::vector<std::string> SplitKeepingEnds(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t contentEnd = 0;
    const std::size_t end = LineEnd(text, start, contentEnd);
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string WithoutEnd(const std::string& line) {
  const std::size_t end = line.find_first_of("\r\n");
  return end == std::string::npos ? line : line.substr(0, end);
}

}  // namespace

std::string WithLostLines(const std::string& before, const std::string& now,
                          const std::vector<std::string>* only) {
  const std::vector<std::string> old = SplitKeepingEnds(before);
  std::vector<std::string> result = SplitKeepingEnds(now);
  std::map<std::string, int> present, allowed;
  for (const std::string& line : result) ++present[WithoutEnd(line)];
  if (only)
    for (const std::string& line : *only) ++allowed[WithoutEnd(line)];
  for (std::size_t k = 0; k < old.size(); ++k) {
    int& count = present[WithoutEnd(old[k])];
    if (count > 0) {
      --count;
      continue;
    }
    if (only && allowed[WithoutEnd(old[k])]-- <= 0) continue;
    std::size_t at = std::min(k, result.size());
    if (k > 0) {
      const std::string previous = WithoutEnd(old[k - 1]);
      for (std::size_t r = result.size(); r-- > 0;)
        if (WithoutEnd(result[r]) == previous) {
          at = r + 1;
          break;
        }
    }
    std::string line = old[k];
    if (WithoutEnd(line) == line) line += "\r\n";
    if (at > 0 && WithoutEnd(result[at - 1]) == result[at - 1]) result[at - 1] += "\r\n";
    result.insert(result.begin() + static_cast<std::ptrdiff_t>(at), line);
  }
  std::string text;
  for (const std::string& line : result) text += line;
  return text;
}

}  // namespace vq
