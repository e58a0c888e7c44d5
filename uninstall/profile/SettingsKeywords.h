// The keyword tables of the dialog-font settings: the texts the settings file
// gives for the character set, pitch and family, and the GDI numbers they
// stand for.
#pragma once

namespace vq {

// Each compares exactly (the keywords are upper case) and gives 0 for any
// other text, including a missing one.
int FontCharSetFromKeyword(const char* keyword);
int FontPitchFromKeyword(const char* keyword);
int FontFamilyFromKeyword(const char* keyword);

}  // namespace vq
