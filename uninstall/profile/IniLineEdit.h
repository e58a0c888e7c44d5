// Finding and deleting one line of an INI section directly in the file's
// bytes, for INI entries the private-profile functions cannot reach (lines
// without '=', duplicates, odd spacing). Both work on raw bytes and compare
// ASCII letters without regard to case.
#pragma once

#include <cstddef>
#include <string>

namespace vq {

// The longest section name and key text the two routines look for. The
// header is compared as "[name]" (at most 19 characters), the key over at
// most 63 characters. A longer name or key is not looked for at all (result
// 0, file untouched): cutting it to the limit could match, and delete, a line
// of another section or another key.
constexpr std::size_t kIniEditSectionChars = 17;
constexpr std::size_t kIniEditKeyChars = 63;

// Offset from the start of the file of the first place after the first
// "[section]" header, and before the next '[', where `key` occurs and is not
// directly preceded by ';'. Never 0 when found; 0 when the file cannot be
// opened, is empty or larger than 32 MB, or nothing is found.
std::size_t FindKeyInSection(const std::string& path, const std::string& section,
                             const std::string& key);

// Deletes the line of the first place after the line of the first
// "[section]" header where `key` occurs and is not directly preceded by ';'
// (the search does not stop at the next section), from the start of that line
// to its end with its line end, keeping every other byte. The new content is
// written to a temporary file in the same folder that then replaces the
// original in one step, so a crash or a full disk never leaves a half-written
// file. 1 when a line was deleted; 0, with the file exactly as it was, when it
// is missing, empty, larger than 32 MB or unreadable, held open by another
// handle that writes to it or does not share reading and writing, cannot be
// replaced, or the header or key is not found.
int DeleteLineInSection(const std::string& path, const std::string& section,
                        const std::string& key);

}  // namespace vq
