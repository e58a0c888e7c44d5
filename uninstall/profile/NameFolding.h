// Names of files and folders, registry keys and values, and INI sections and
// keys, compared as Windows compares them: without regard to case over the
// whole code page, so that "CONFIGURAÇÃO.INI" names the file "Configuração.ini"
// and a kept "Configuração.ini" keeps it. Profile entry names, switch values
// and the tool's own keywords keep the ASCII rule of TextRoutines.h.
//
// Each build has its own folding: the Windows one asks the system for the
// case of every character of its code page; the portable one (the native
// tools and tests) folds Windows-1252, the code page of the scripts.
#pragma once

#include <string>

namespace vq {

// The text that every spelling of the name `text` shares, one byte for one
// byte: each character upper-cased as Windows upper-cases it when its capital
// is a character of the same code page whose small letter is the character
// itself (so "µ", whose capital is Greek, and "ß" stay as they are), then the
// ASCII letters written small, so that plain ASCII names sort as the ASCII
// rule sorts them. The lead and trail bytes of a double-byte character stay
// as they are. Sorting by it and comparing by it go together.
std::string NameKey(const std::string& text);

// Whether `a` and `b` name the same thing.
inline bool EqualNames(const std::string& a, const std::string& b) {
  return a.size() == b.size() && NameKey(a) == NameKey(b);
}

}  // namespace vq
