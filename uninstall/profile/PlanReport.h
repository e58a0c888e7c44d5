// The plan of a run (switch PLAN) as a JSON document: what the run would do
// on this machine, gathered from its action records, by kind (printers,
// drivers and driver packages per environment, monitors, print processors,
// services, INI lines, Run values and registry keys and values each with its
// registry view, files with when each goes, folders, INF copies, program
// groups, hooks), what a guard keeps with its reason, and every record in
// order. In the family of unmcheck's reports: texts are UTF-8, list names in
// camel case.
#pragma once

#include <string>
#include <vector>

namespace vq {

// One entry of the action log: what was done, to what (names in double
// quotes), and how it ended ("ok", "failed (error N)", or an outcome such as
// "kept: used by ...").
struct ActionRecord {
  std::string what;
  std::string target;
  std::string outcome;
};

// The document for `records` of a run started with `commandLine` that would
// end with `exitCode`.
std::string PlanJson(const std::vector<ActionRecord>& records, const std::string& commandLine,
                     int exitCode);

}  // namespace vq
