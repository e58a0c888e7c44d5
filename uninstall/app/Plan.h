// The switch PLAN: what a quiet run with the same switches would do on this
// machine, written as a JSON document, with nothing changed.
#pragma once

#include <string>

#include "uninstall/app/CommandLineOptions.h"
#include "uninstall/app/OsVersion.h"

namespace vq {

// Runs the start-up checks, the inventory and every phase of a quiet run
// through a layer that only plans, and writes the plan to `path`. Returns
// the start-up failure's exit code when the run could not start (nothing is
// written then but the log), 0 otherwise; 1603 when the plan cannot be
// written.
int WritePlan(const CommandLineOptions& options, const COsVersion& os, const std::string& path);

}  // namespace vq
