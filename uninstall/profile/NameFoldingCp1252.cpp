// The portable name folding: Windows-1252 through the simple case mapping of
// Unicode, as the file system's upper-case table folds that code page.
#include <array>

#include "uninstall/profile/Cp1252.h"
#include "uninstall/profile/NameFolding.h"
#include "uninstall/profile/TextRoutines.h"

namespace vq {

namespace {

// The simple upper-case mapping of the small letters Windows-1252 holds:
// ASCII, Latin-1 (with "µ" and "ÿ", whose capitals lie elsewhere) and the
// five of Latin Extended-A and B it adds.
uint32_t SimpleUpper(uint32_t c) {
  if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  switch (c) {
    case 0x00B5: return 0x039C;  // micro sign: Greek capital mu
    case 0x00FF: return 0x0178;
    case 0x0153: return 0x0152;
    case 0x0161: return 0x0160;
    case 0x017E: return 0x017D;
    case 0x0192: return 0x0191;
    default: return c;
  }
}

std::array<char, 256> FoldingTable() {
  std::array<char, 256> table;
  for (int b = 0; b < 256; ++b) {
    char folded = static_cast<char>(b);
    if (b < 0x80) folded = static_cast<char>(FoldCase(static_cast<unsigned char>(b)));
    else Cp1252Byte(SimpleUpper(Cp1252CodePoint(static_cast<unsigned char>(b))), folded);
    table[b] = folded;
  }
  return table;
}

}  // namespace

std::string NameKey(const std::string& text) {
  static const std::array<char, 256> table = FoldingTable();
  std::string key(text);
  for (char& c : key) c = table[static_cast<unsigned char>(c)];
  return key;
}

}  // namespace vq
