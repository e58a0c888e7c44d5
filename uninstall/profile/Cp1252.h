// Conversion between the 8-bit texts of scripts, printers and registry
// (Windows-1252) and UTF-8, for reports and logs.
#pragma once

#include <cstdint>
#include <string>

namespace vq {

// The Unicode code point of one Windows-1252 byte.
uint32_t Cp1252CodePoint(unsigned char byte);
// The Windows-1252 byte of `codePoint`; false when the code page has none.
bool Cp1252Byte(uint32_t codePoint, char& byte);

std::string Cp1252ToUtf8(const std::string& text);
// False when `text` is not valid UTF-8 or holds a character Windows-1252
// cannot represent.
bool Utf8ToCp1252(const std::string& text, std::string& out);

}  // namespace vq
