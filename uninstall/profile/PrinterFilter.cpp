#include "uninstall/profile/PrinterFilter.h"

#include <vector>

#include "uninstall/profile/TextRoutines.h"

namespace vq {

namespace {

// The tool reads a switch's values into a buffer of this size; values that do
// not fit count as absent.
constexpr std::size_t kSwitchValuesBuffer = 256;

// The values of a switch with their double quotes removed; empty when absent
// or too long for the buffer.
std::vector<std::string> SwitchValues(const CommandLineOptions& options, const char* name) {
  std::vector<std::string> values;
  char buffer[kSwitchValuesBuffer];
  if (!options.Values(name, buffer, sizeof(buffer))) return values;
  for (char* p = buffer; p; p = SplitAt(p, '\0')) {
    if (*p == '\0') break;
    std::string v = p;
    TrimChar(v, '"');
    values.push_back(v);
  }
  return values;
}

}  // namespace

bool HasPrinterFilters(const CommandLineOptions& options) {
  return options.Count("MFG") >= 0 || options.Count("PRN") >= 0 || options.Count("UNVEZZ") >= 0;
}

bool IsOfferedByCommandLine(const CommandLineOptions& options, const std::string& driverName,
                            const std::string& disguiseName) {
  if (options.Count("UNVEZZ") >= 0) return !disguiseName.empty();
  if (!HasPrinterFilters(options)) return true;
  for (const std::string& v : SwitchValues(options, "MFG"))
    if (StartsWithNoCase(driverName, v)) return true;
  for (const std::string& v : SwitchValues(options, "PRN"))
    if (EqualNoCase(driverName, v)) return true;
  return false;
}

}  // namespace vq
