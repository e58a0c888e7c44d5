// INI text of a machine's file -> the lines of an entry and the text without
// them. The input holds the section name and the entry before two newlines,
// then the file's bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "uninstall/profile/IniText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t first = input.find('\n');
  const std::size_t second = first == std::string::npos ? first : input.find('\n', first + 1);
  if (second == std::string::npos) return 0;
  const std::string section = input.substr(0, first);
  const std::string entry = input.substr(first + 1, second - first - 1);
  const std::string text = input.substr(second + 1);

  const std::vector<vq::TextLine> lines = vq::FindIniEntryLines(text, section, entry);
  std::size_t removed = 0, previousEnd = 0;
  for (const vq::TextLine& line : lines) {
    // Whole lines, in order, inside the text, never overlapping.
    if (line.start < previousEnd || line.start >= line.end || line.end > text.size())
      __builtin_trap();
    if (line.start > 0 && text[line.start - 1] != '\n' && text[line.start - 1] != '\r')
      __builtin_trap();
    removed += line.end - line.start;
    previousEnd = line.end;
  }
  const std::string rest = vq::WithoutLines(text, lines);
  if (rest.size() != text.size() - removed) __builtin_trap();
  // Nothing is left to delete afterwards.
  if (!vq::FindIniEntryLines(rest, section, entry).empty()) __builtin_trap();
  return 0;
}
