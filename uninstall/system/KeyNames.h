// Names that the removal phases append to a registry path (a printer, driver,
// monitor or print-processor name, a printer's UniqueID) come from the spooler,
// the registry or the scripts. Before one becomes the last part of a key to
// delete, it must name exactly one key: an empty name would leave the parent
// itself ("...\Monitors\"), a backslash would reach another key, and a double
// quote would break the queued "ROOT,"subkey",..." item that carries it.
#pragma once

#include <cstring>
#include <string>

namespace vq {

inline bool IsSingleKeyName(const char* name) {
  return name && *name && !std::strpbrk(name, "\\\"");
}
inline bool IsSingleKeyName(const std::string& name) { return IsSingleKeyName(name.c_str()); }

}  // namespace vq
