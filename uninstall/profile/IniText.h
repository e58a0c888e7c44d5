// Finding an entry of an INI section in the text of the file, for the INI
// phase: the entry's key must equal the one asked for (as Windows compares
// names, NameFolding.h; blanks around it ignored), or, for an entry without
// "=", the whole line must; the section is found by its name the same way.
// Only lines inside the named section count, and commented-out lines (";")
// never do. Pure text work on raw bytes: lines end with CR LF, LF or a lone
// CR.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vq {

// One line of the text: [start, end), end past its line end.
struct TextLine {
  std::size_t start;
  std::size_t end;
};

// Every line of every section named `section` (several sections may share a
// name) that holds the entry `entry`, in text order. Empty when the section
// or the entry is missing, or `entry` is empty after trimming.
std::vector<TextLine> FindIniEntryLines(const std::string& text, const std::string& section,
                                        const std::string& entry);

// The text without those lines; every other byte kept.
std::string WithoutLines(const std::string& text, const std::vector<TextLine>& lines);

// The text with `line` (given without a line end) added as the last line of
// the first section named `section`, before the header that follows it; when
// there is no such section, under a new header "[section]" at the end. What
// is added ends with CR LF, and a last line without its line end gets one
// first. Every other byte is kept.
std::string WithLineInSection(const std::string& text, const std::string& section,
                              const std::string& line);

// The text `now` with each line of `before` that it lacks put back at its
// place (after the line that came before it in `before`, when `now` still
// has that one; else at the same line number): what an undo gives an INI
// file the run took lines from, keeping whatever else changed since. Lines
// compare without their line ends; a line is lacking when `now` holds it
// fewer times than `before` does. A line put back after a last line without
// its line end gives that one CR LF first. With `only`, just the lines it
// lists (as many times as it lists them) come back: those the run removed,
// not those somebody else removed since.
std::string WithLostLines(const std::string& before, const std::string& now,
                          const std::vector<std::string>* only = nullptr);

}  // namespace vq
