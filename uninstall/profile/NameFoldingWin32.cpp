// The Windows name folding: the case of each character of the system's code
// page, as the system itself gives it. CharUpperA converts through Unicode
// with the system default locale and maps "i" to "I" whatever the language
// is, as the file system and the registry compare names.
#include <windows.h>

#include <array>

#include "uninstall/profile/NameFolding.h"
#include "uninstall/profile/TextRoutines.h"

namespace vq {

namespace {

// The system's case of one single-byte character; `upper` false for small.
char SystemCase(unsigned char byte, bool upper) {
  char text[2] = {static_cast<char>(byte), '\0'};
  if (upper) CharUpperA(text);
  else CharLowerA(text);
  return text[0];
}

// What each byte becomes in a name's key, and which bytes lead a double-byte
// character; the system code page does not change while the tool runs.
struct FoldingTable {
  std::array<char, 256> folded;
  std::array<bool, 256> lead;
};

FoldingTable MakeFoldingTable() {
  FoldingTable table;
  for (int b = 0; b < 256; ++b) {
    const unsigned char byte = static_cast<unsigned char>(b);
    char folded = static_cast<char>(byte);
    table.lead[b] = IsDBCSLeadByteEx(CP_ACP, byte) != 0;
    if (byte < 0x80) {
      folded = static_cast<char>(FoldCase(byte));
    } else if (!table.lead[b]) {
      // A capital outside the code page comes back as a look-alike or "?":
      // only a capital whose small letter is this character counts.
      const char capital = SystemCase(byte, true);
      if (SystemCase(static_cast<unsigned char>(capital), false) == folded) folded = capital;
    }
    table.folded[b] = folded;
  }
  return table;
}

}  // namespace

std::string NameKey(const std::string& text) {
  static const FoldingTable table = MakeFoldingTable();
  std::string key(text);
  for (std::size_t i = 0; i < key.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(key[i]);
    if (table.lead[byte]) ++i;  // a double-byte character: its trail byte is no letter
    else key[i] = table.folded[byte];
  }
  return key;
}

}  // namespace vq
