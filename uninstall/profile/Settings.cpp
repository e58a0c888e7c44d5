#include "uninstall/profile/Settings.h"

#include <windows.h>

#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/SettingsKeywords.h"

namespace vq {

namespace {
const char kSection[] = "Strings";
}  // namespace

void CSettings::ReadText(const char* key, char* text) const {
  text[0] = '\0';
  if (fileName.empty()) return;
  GetPrivateProfileStringA(kSection, key, "", text, kTextSize, fileName.c_str());
}

int CSettings::ReadInt(const char* key) const {
  const int kDefault = 1;
  if (fileName.empty()) return kDefault;
  return static_cast<int>(GetPrivateProfileIntA(kSection, key, kDefault, fileName.c_str()));
}

void CSettings::Load() {
  if (!language[0]) ReadText("Language", language);
  if (!fontType[0]) ReadText("FontType", fontType);
  if (fontHeight == 0) fontHeight = ReadInt("FontHeight");
  if (fontWidth == 0) fontWidth = ReadInt("FontWidth");
  if (fontCharSet == 0) ReadText("FontCharSet", fontCharSetText);
  if (fontPitch == 0) ReadText("FontPitch", fontPitchText);
  if (fontFamily == 0) ReadText("FontFamily", fontFamilyText);
  fontCharSet = FontCharSetFromKeyword(fontCharSetText);
  fontPitch = FontPitchFromKeyword(fontPitchText);
  fontFamily = FontFamilyFromKeyword(fontFamilyText);
}

CSettings& ProcessSettings() {
  static CSettings settings;
  return settings;
}

void FormSettingsFileName() { ProcessSettings().fileName = SettingsFileName(); }

void LoadSettings() { ProcessSettings().Load(); }

}  // namespace vq
