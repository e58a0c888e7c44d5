// Helpers for tests that build scripts in memory.
#pragma once

#include <string>

#include "uninstall/profile/IniFile.h"

inline vq::CIniFile ParseScript(const std::string& text, const std::string& path = "C:\\d\\Qunz__02.unm") {
  vq::CIniFile f;
  f.Parse(path, text.data(), text.size());
  return f;
}

// A list of zero-terminated texts as GetKeys/GetEntries write it.
inline std::string ListText(const char* buffer, int written) {
  return std::string(buffer, written < 0 ? -written : written);
}
