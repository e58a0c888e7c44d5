// Finding and deleting one entry of an INI section directly in the file, for
// INI entries the private-profile functions cannot reach (lines without '=',
// duplicates, odd spacing). The entry is matched by its key (or the whole
// line) inside the named section only; see IniText.h.
#pragma once

#include <cstddef>
#include <string>

namespace vq {

// Offset from the start of the file of the first line of the entry `key` in
// a section `section`. Never 0 when found (a header precedes it); 0 when the
// file cannot be opened, is empty or larger than 32 MB, or the entry is not
// there.
std::size_t FindKeyInSection(const std::string& path, const std::string& section,
                             const std::string& key);

// Deletes every line of the entry `key` in the sections named `section`,
// keeping every other byte. The original is never lost: the new content is
// written to a file beside it first; where MoveFileExA can replace a file in
// one step it does, elsewhere (Windows 95, 98, Me) the original is renamed to
// a backup, the new file takes its name, and the backup goes only then (and is
// put back when that fails). 1 when lines were deleted; 0, with the file
// exactly as it was, when it is missing, empty, larger than 32 MB or
// unreadable, held open by another handle that writes to it or does not share
// reading, cannot be replaced, or the entry is not there.
int DeleteLineInSection(const std::string& path, const std::string& section,
                        const std::string& key);

// Writes `content` as the whole file `path`, replacing it at once (a
// temporary file of the same folder takes its name); false, with the file as
// it was, when that cannot be done.
bool ReplaceFileContent(const std::string& path, const std::string& content);

// Adds `line` as the last line of the first section `section` of the file,
// or under a new header at its end (see WithLineInSection); the file is
// created when missing. A line that goes at the end is appended in place;
// one that goes before a later section comes with the whole file replaced
// as DeleteLineInSection replaces it. False, with the file as it was, when
// it cannot be opened, read (larger than 32 MB) or written.
bool AddLineToSection(const std::string& path, const std::string& section,
                      const std::string& line);

}  // namespace vq
