// What an uninstall run says it did and what its plan said it would do,
// compared: the plan (switch PLAN) must change nothing and list exactly the
// actions the run then logs. And what no run may change on the machines of
// the comparison tests.
#pragma once

#include <string>
#include <vector>

#include "tests/wine/fixture/MachineState.h"

namespace vq::fixture {

// Exact (case-sensitive) comparisons of machine-state entries, which are
// folded already.
bool StartsWith(const std::string& text, const std::string& prefix);
bool EndsWith(const std::string& text, const std::string& suffix);

// The lines of `text` that hold anything, without their line ends and
// leading blanks.
std::vector<std::string> TextLines(const std::string& text);

// Every change between the two states but the plan file itself and the
// empty driver keys Wine's spooler makes as it lists its environments.
std::string ChangesOfAPlan(const MachineState& before, const MachineState& after,
                           const std::string& planPath);

// "what target: outcome" of every action the plan lists, in order.
std::vector<std::string> PlannedActions(const std::string& planPath);

// The same of the log a run wrote: its lines without their time, without the
// messages it showed and its notes.
std::vector<std::string> LoggedActions(const std::string& logPath);

// Whether an add-on's hook and the disguise tool run is known only by
// running them: for those, what was tried counts, not how it ended.
std::vector<std::string> WithoutRunOutcomes(std::vector<std::string> actions);

// Where the two lists first part ("" when they are the same).
std::string FirstDifference(const std::vector<std::string>& planned,
                            const std::vector<std::string>& done);

// What must not change: the other maker's printers, drivers and the system
// files they use (unless `othersGo`: the run removes every printer), its
// files, keys, lines and values; the decoys; and Windows' own keys and
// values that the hostile script names. `entry` as MachineState names it.
bool MustStay(const std::string& entry, bool othersGo);

}  // namespace vq::fixture
