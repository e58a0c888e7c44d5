// The driver, monitor and print-processor phases of an uninstall run. Each
// runs once per print environment: none (the spooler's own), "Windows NT x86"
// and "Windows 4.0". Driver keys are queued for the registry phase; monitor
// and print-processor keys are deleted here.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include <string>

#include "uninstall/engine/RemovalContext.h"

namespace vq {

// Deletes each installed driver of `environment` that the removal set names,
// that only printers being removed use, or (when the disguise tool goes) whose
// name holds "(PSCRIPT)" without a printer of that name; queues its keys.
// On Windows Vista and later also notes the driver-store package of each
// driver it deleted (removedDriverPackages).
void RemoveDrivers(CRemovalContext& ctx, const char* environment);

// After the driver phase of every environment: deletes each noted package
// that no installed driver of ctx.environments still names, so that Windows
// does not install the driver again when the printer is next plugged in.
void RemoveDriverPackages(CRemovalContext& ctx);

// Deletes each monitor of the removal set and, except on Win32s, its key.
void RemoveMonitors(CRemovalContext& ctx, const char* environment);

// Deletes each installed print processor of `environment` that the removal set
// names, once no local printer uses it any more, and its key.
void RemovePrintProcessors(CRemovalContext& ctx, const char* environment);

// The key of print processor `processor` under HKEY_LOCAL_MACHINE for
// `environment` (the spooler's own keys are "Windows NT x86"'s); empty on
// Win32s and for a name that is not a single key name.
std::string PrintProcessorKey(const COsVersion& os, const char* environment,
                              const std::string& processor);

// Each installed driver of `environment` with the INF path of its package in
// the driver store (level 8: Windows Vista and later; empty elsewhere).
using DriverInfPaths = std::vector<std::pair<std::string, std::string>>;
DriverInfPaths InfPathsOfDrivers(const char* environment);

// Port monitors and print processors of Windows itself, which no script
// removes.
bool IsWindowsMonitor(const std::string& name);
bool IsWindowsPrintProcessor(const std::string& name);

// Moves every local printer that uses processor `name` to "WinPrint" with the
// "RAW" data type. 1 when none uses it any more, 0 when one could not be moved.
int ReleasePrintProcessor(const char* name);

// Rewrite one field of a printer's level-2 record: the SetPrinterA result, 0
// when the printer cannot be opened or read.
BOOL SetPrinterProcessor(const char* printer, const char* processor);
BOOL SetPrinterDatatype(const char* printer, const char* datatype);

}  // namespace vq
