// Command-line text -> switches and their queries, with bounded buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "uninstall/profile/CommandLineOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  line = line.c_str();  // the tool gets a zero-terminated command line
  vq::CommandLineOptions options;
  options.Parse(line.c_str());
  // The unknown switch found is one given and not known; none found means
  // every switch given is known.
  std::string unknown;
  const bool found = options.FindUnknown(unknown);
  bool anyUnknown = false, givenUnknown = false;
  for (const auto& sw : options.Switches()) {
    anyUnknown = anyUnknown || !vq::CommandLineOptions::IsKnown(sw[0]);
    givenUnknown = givenUnknown || (sw[0] == unknown && !vq::CommandLineOptions::IsKnown(sw[0]));
  }
  if (found != anyUnknown || (found && !givenUnknown)) __builtin_trap();
  char values[256];
  for (const char* name : {"MFG", "PRN", "UNVEZZ", "NOPICK", "LOG"}) {
    int count = options.Count(name);
    // The occurrence count and the presence the count query reports agree,
    // and only a switch that is given can have an empty value.
    const int occurrences = options.Occurrences(name);
    if ((occurrences == 0) != (count < 0)) __builtin_trap();
    if (options.HasEmptyValue(name) && occurrences == 0) __builtin_trap();
    std::memset(values, 0x5A, sizeof(values));
    if (options.Values(name, values, sizeof(values))) {
      // A copied list ends with an empty text inside the buffer.
      const char* p = values;
      while (*p) p += std::strlen(p) + 1;
      if (p >= values + sizeof(values)) __builtin_trap();
    } else if (count > 0 && values[0] != 0x5A) {
      __builtin_trap();  // a refused query must not have written anything
    }
  }
  return 0;
}
