// Texts between the tool's 8-bit strings (the system's ANSI code page) and
// the wide functions of the NT family, which alone give the names of printers
// whose characters that code page lacks.
#pragma once

#include <windows.h>

#include <string>

namespace vq {

inline std::wstring WideText(const char* text) {
  if (!text) return std::wstring();
  const int chars = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (chars <= 1) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(chars), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], chars);
  wide.resize(static_cast<std::size_t>(chars - 1));
  return wide;
}

// As the A functions spell it: "?" for every character the code page lacks.
inline std::string AnsiText(const wchar_t* text) {
  if (!text) return std::string();
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return std::string();
  std::string ansi(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &ansi[0], bytes, nullptr, nullptr);
  ansi.resize(static_cast<std::size_t>(bytes - 1));
  return ansi;
}

}  // namespace vq
