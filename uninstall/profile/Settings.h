// The language and dialog-font settings of the tool, read from the section
// "Strings" of its settings file. Process-wide values: the main dialog loads
// them on every message and the font hook and message boxes read them.
#pragma once

#include <string>

namespace vq {

class CSettings {
 public:
  static constexpr unsigned kTextSize = 256;  // 255 characters and the zero

  // Reads every key whose setting is still unset (texts empty, sizes and
  // converted keywords 0) from `fileName`, then converts the three keyword
  // texts. A missing file or section leaves the texts empty and both sizes 1;
  // a keyword that converts to 0 is read again on the next call.
  void Load();

  std::string fileName;  // the settings file; empty reads as a missing file
  char language[kTextSize] = "";
  char fontType[kTextSize] = "";
  int fontHeight = 0;
  int fontWidth = 0;
  char fontCharSetText[kTextSize] = "";
  char fontPitchText[kTextSize] = "";
  char fontFamilyText[kTextSize] = "";
  int fontCharSet = 0;
  int fontPitch = 0;
  int fontFamily = 0;

 private:
  void ReadText(const char* key, char* text) const;
  int ReadInt(const char* key) const;
};

// The settings of this process.
CSettings& ProcessSettings();

// Sets the process's settings file to the program folder's "Qunz__02.unm";
// done once at start-up.
void FormSettingsFileName();

// ProcessSettings().Load(): what the main dialog calls on every message.
void LoadSettings();

}  // namespace vq
