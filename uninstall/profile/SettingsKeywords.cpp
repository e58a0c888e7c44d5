#include "uninstall/profile/SettingsKeywords.h"

#include <cstring>

namespace vq {

namespace {

struct Keyword {
  const char* text;
  int value;
};

// The values are GDI's (ANSI_CHARSET, FIXED_PITCH, FF_ROMAN, ...), written
// out so that the native build needs no windows.h.
const Keyword kCharSets[] = {
    {"ANSI", 0},       {"DEFAULT", 1},      {"SYMBOL", 2},    {"BALTIC", 186},
    {"CHINESEBIG5", 136}, {"EASTEUROPE", 238}, {"GB2312", 134}, {"GREEK", 161},
    {"HANGUL", 129},   {"MAC", 77},         {"OEM", 255},     {"RUSSIAN", 204},
    {"SHIFTJIS", 128}, {"TURKISH", 162},    {"VIETNAMESE", 163}, {"JOHAB", 130},
    {"ARABIC", 178},   {"HEBREW", 177},     {"THAI", 222},
};
const Keyword kPitches[] = {{"DEFAULT", 0}, {"FIXED", 1}, {"VARIABLE", 2}};
const Keyword kFamilies[] = {{"DONTCARE", 0}, {"ROMAN", 16},  {"SWISS", 32},
                             {"MODERN", 48},  {"SCRIPT", 64}, {"DECORATIVE", 80}};

template <std::size_t N>
int Lookup(const Keyword (&table)[N], const char* keyword) {
  if (!keyword) return 0;
  for (const Keyword& k : table)
    if (std::strcmp(k.text, keyword) == 0) return k.value;
  return 0;
}

}  // namespace

int FontCharSetFromKeyword(const char* keyword) { return Lookup(kCharSets, keyword); }
int FontPitchFromKeyword(const char* keyword) { return Lookup(kPitches, keyword); }
int FontFamilyFromKeyword(const char* keyword) { return Lookup(kFamilies, keyword); }

}  // namespace vq
