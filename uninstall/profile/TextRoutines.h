// Text routines shared by the script reader, the command line and the INI
// editing code. All texts are 8-bit; "without regard to case" means ASCII
// letters only, as the rest of the system compares names.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vq {

// Longest name, path, key, value or list item a fixed field holds (260 bytes
// with the terminating zero).
constexpr std::size_t kFieldChars = 259;

// Finds the first `ch` in `text`, replaces it by a zero and returns the text
// after it; nullptr when `ch` does not occur or `text` is null. With ch == '\0'
// it steps through a zero-separated list: the next text, or nullptr at the end
// of the list (an empty text ends the list).
char* SplitAt(char* text, char ch);

// As SplitAt, but a `ch` between double quotes does not count; each double
// quote toggles the quoted state and the quotes stay in the texts.
char* SplitAtUnquoted(char* text, char ch);

// Removes every leading and every trailing `ch` from `text` in place.
void TrimChar(char* text, char ch);
void TrimChar(std::string& text, char ch);

// ASCII-only case folding and comparison (the C locale's tolower on bytes).
inline unsigned char FoldCase(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}
int CompareNoCase(const std::string& a, const std::string& b);
bool EqualNoCase(const std::string& a, const std::string& b);
bool StartsWithNoCase(const std::string& text, const std::string& prefix);
std::string FoldedCopy(const std::string& text);

// `folder` ending with one backslash (an empty one stays empty).
inline std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// Copies at most size-1 bytes of `src` into `dst` and always terminates it.
// Returns false when the text had to be cut.
bool CopyBounded(char* dst, std::size_t size, const char* src);

// A message pattern with each "%s", "%d", "%u", "%ld" or "%lu" replaced by the
// next of `values`, in order. A pattern may come from an INI file (string-table
// texts can be redirected), so it is never used as a printf format: "%%" gives
// "%", every other "%" stays as it is, and so do placeholders beyond the
// values. The result is as long as its parts, never cut into a fixed buffer.
std::string FillPlaceholders(const char* pattern, const std::vector<std::string>& values);

// `text` when it has at most `maxChars` characters; otherwise its beginning
// and its end around "...", `maxChars` characters in all. A message box does
// not break a word, so a long path would make it wider than the screen.
std::string ElideMiddle(const std::string& text, std::size_t maxChars);

}  // namespace vq
