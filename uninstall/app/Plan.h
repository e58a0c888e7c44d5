// The switch PLAN: what a quiet run with the same switches would do on this
// machine (an uninstall, or with UNDO the undo), written as a JSON document,
// with nothing changed.
#pragma once

#include <string>

#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

// Runs the start-up checks, the inventory and every phase of a quiet run (or
// the undo: the backup read, verified and compared with the machine) through
// a layer that only plans, and writes the plan to `path`, with the exit code
// the run would end with. Returns 0 when the run would reach its end, else
// that exit code (a start-up that fails, printers that the switches do not
// find, no backup to undo); 1603 when the plan cannot be written.
int WritePlan(const CommandLineOptions& options, const COsVersion& os, const std::string& path);

}  // namespace vq
