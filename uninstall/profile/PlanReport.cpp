#include "uninstall/profile/PlanReport.h"

#include <map>

#include <nlohmann/json.hpp>

#include "uninstall/profile/Cp1252.h"

namespace vq {

namespace {

using Json = nlohmann::ordered_json;

// The tool's texts are Windows-1252; the document is UTF-8. Every byte has a
// character there, so what the machine names cannot make the document fail.
Json Text(const std::string& text) { return Cp1252ToUtf8(text); }

// The text of a target in double quotes, without them; the whole target
// when it is not quoted.
std::string Unquoted(const std::string& target) {
  if (target.size() >= 2 && target.front() == '"') {
    const std::size_t close = target.find('"', 1);
    if (close != std::string::npos) return target.substr(1, close - 1);
  }
  return target;
}

// What follows the quoted part in brackets: " (Windows 4.0)" gives
// "Windows 4.0"; empty when nothing follows (brackets inside the quotes
// belong to the name).
std::string InBrackets(const std::string& target) {
  if (target.size() < 2 || target.front() != '"') return std::string();
  const std::size_t quote = target.find('"', 1);
  if (quote == std::string::npos) return std::string();
  const std::size_t open = target.find('(', quote);
  const std::size_t close = target.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return std::string();
  return target.substr(open + 1, close - open - 1);
}

// The registry view of a key or value on 64-bit Windows: " (64-bit view)"
// gives "64-bit"; empty where Windows has one view.
std::string ViewOf(const std::string& target) {
  std::string view = InBrackets(target);
  const std::string suffix = " view";
  if (view.size() <= suffix.size() || view.compare(view.size() - suffix.size(), suffix.size(), suffix) != 0)
    return std::string();
  return view.substr(0, view.size() - suffix.size());
}

bool Done(const ActionRecord& r) { return r.outcome == "ok" || r.outcome == "planned"; }
bool Scheduled(const ActionRecord& r) {
  return r.outcome.find("scheduled for the next start") != std::string::npos;
}
bool Kept(const ActionRecord& r) {
  return r.outcome.compare(0, 5, "kept:") == 0 || r.outcome.compare(0, 8, "refused:") == 0 ||
         r.outcome.compare(0, 8, "refused ") == 0;
}

// The plan's lists by kind: each action of the log that removes something.
const std::map<std::string, std::string>& ListOfAction() {
  static const std::map<std::string, std::string> lists = {
      {"delete printer", "printers"},          {"delete printer connection", "printers"},
      {"delete monitor", "monitors"},          {"delete print processor", "printProcessors"},
      {"delete service", "services"},          {"remove folder", "folders"},
      {"delete INF copy", "infCopies"},        {"delete program group", "programGroups"},
      {"call hook", "hooks"},                  {"make default printer", "defaultPrinter"},
      {"start disguise tool", "disguiseTool"},
  };
  return lists;
}

// The lists whose entries are registry items: each with its view.
const std::map<std::string, std::string>& RegistryListOfAction() {
  static const std::map<std::string, std::string> lists = {
      {"delete Run value", "runValues"},  {"delete key", "registryKeys"},
      {"delete key tree", "registryKeys"}, {"delete value", "registryValues"},
  };
  return lists;
}

// The plan's lists in the order of the document, each empty until filled.
const char* const kLists[] = {
    "drivers",       "driverPackages", "iniLines",     "files",          "printers",
    "monitors",      "printProcessors", "services",    "runValues",      "registryKeys",
    "registryValues", "folders",       "infCopies",    "programGroups",  "hooks",
    "defaultPrinter", "disguiseTool",  "notRestorable", "kept",        "failed",
    "actions"};

// Puts the record of a removal that would be done under its kind.
void AddDone(const ActionRecord& r, Json& plan) {
  if (r.what == "delete driver" || r.what == "delete driver package") {
    plan[r.what == "delete driver" ? "drivers" : "driverPackages"].push_back(
        Json{{"name", Text(Unquoted(r.target))}, {"environment", Text(InBrackets(r.target))}});
  } else if (RegistryListOfAction().count(r.what)) {
    plan[RegistryListOfAction().at(r.what)].push_back(
        Json{{"name", Text(Unquoted(r.target))}, {"view", Text(ViewOf(r.target))}});
  } else if (r.what == "delete INI line") {
    plan["iniLines"].push_back(Text(r.target));
  } else {
    auto kind = ListOfAction().find(r.what);
    if (kind != ListOfAction().end()) plan[kind->second].push_back(Text(Unquoted(r.target)));
  }
}

// Puts one record of the run where the document shows it.
void Add(const ActionRecord& r, Json& plan) {
  // Where the run's backup goes: named once, outside the actions (it is
  // made when the run starts, at a time of its own).
  if (r.what == "backup folder") {
    plan["backupFolder"] = Text(Unquoted(r.target));
    return;
  }
  if (r.what == "not restorable")
    plan["notRestorable"].push_back(Json{{"item", Text(Unquoted(r.target))}, {"what", Text(r.outcome)}});
  plan["actions"].push_back(
      Json{{"action", Text(r.what)}, {"target", Text(r.target)}, {"outcome", Text(r.outcome)}});
  if (Kept(r)) {
    plan["kept"].push_back(
        Json{{"action", Text(r.what)}, {"item", Text(Unquoted(r.target))}, {"reason", Text(r.outcome)}});
  } else if (r.what == "delete file" && (Done(r) || Scheduled(r))) {
    plan["files"].push_back(
        Json{{"path", Text(Unquoted(r.target))}, {"when", Done(r) ? "now" : "next start"}});
  } else if (Done(r)) {
    AddDone(r, plan);
  } else if (r.outcome.find("failed") != std::string::npos) {
    plan["failed"].push_back(
        Json{{"action", Text(r.what)}, {"item", Text(Unquoted(r.target))}, {"outcome", Text(r.outcome)}});
  }
}

}  // namespace

std::string PlanJson(const std::vector<ActionRecord>& records, const std::string& commandLine,
                     int exitCode) {
  Json plan = {{"tool", "TORVAX02"},
               {"commandLine", Text(commandLine)},
               {"exitCode", exitCode},
               {"restartNeeded", exitCode == 3010},
               {"backupFolder", ""}};
  for (const char* list : kLists) plan[list] = Json::array();
  for (const ActionRecord& r : records) Add(r, plan);
  // Every text is UTF-8 already; the replacing handler only keeps dump()
  // from throwing should that ever not hold.
  return plan.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace vq
