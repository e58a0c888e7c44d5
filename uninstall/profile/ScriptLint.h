// Checks a script for what the reader silently drops or misreads, so that a
// script author learns about it before a machine does.
#pragma once

#include <string>
#include <vector>

namespace vq {

class CIniFile;

struct ScriptWarning {
  int line;  // 1-based; 0 when the warning concerns the whole file
  std::string message;
};

// `text` is the file's raw content, `file` the same content parsed.
std::vector<ScriptWarning> LintScript(const std::string& text, const CIniFile& file);

// True when `item` has the documented RegistryKeys form:
// ROOT,"sub key","value name",0|1 with ROOT one of HKLM, HKCR, HKCU, HKU.
bool IsRegistryItemWellFormed(const std::string& item);

}  // namespace vq
