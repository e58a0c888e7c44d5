// Text routines shared by the script reader, the command line and the INI
// editing code. All texts are 8-bit; "without regard to case" means ASCII
// letters only, as the rest of the system compares names.
#pragma once

#include <cstddef>
#include <string>

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

// Copies at most size-1 bytes of `src` into `dst` and always terminates it.
// Returns false when the text had to be cut.
bool CopyBounded(char* dst, std::size_t size, const char* src);

}  // namespace vq
