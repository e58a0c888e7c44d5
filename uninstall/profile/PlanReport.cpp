#include "uninstall/profile/PlanReport.h"

#include <cstdio>
#include <map>

#include "uninstall/profile/Cp1252.h"

namespace vq {

namespace {

std::string JsonText(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : Cp1252ToUtf8(text)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

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

class CJsonList {
 public:
  void Add(const std::string& element) {
    text_ += (text_.empty() ? "\n    " : ",\n    ") + element;
  }
  std::string Text() const { return "[" + text_ + (text_.empty() ? "]" : "\n  ]"); }

 private:
  std::string text_;
};

}  // namespace

std::string PlanJson(const std::vector<ActionRecord>& records, const std::string& commandLine,
                     int exitCode) {
  std::map<std::string, CJsonList> lists;
  CJsonList drivers, packages, iniLines, files, kept, failed, actions;
  for (const ActionRecord& r : records) {
    actions.Add("{\"action\": " + JsonText(r.what) + ", \"target\": " + JsonText(r.target) +
                ", \"outcome\": " + JsonText(r.outcome) + "}");
    if (Kept(r)) {
      kept.Add("{\"action\": " + JsonText(r.what) + ", \"item\": " + JsonText(Unquoted(r.target)) +
               ", \"reason\": " + JsonText(r.outcome) + "}");
      continue;
    }
    if (r.what == "delete file" && (Done(r) || Scheduled(r))) {
      files.Add("{\"path\": " + JsonText(Unquoted(r.target)) + ", \"when\": " +
                JsonText(Done(r) ? "now" : "next start") + "}");
      continue;
    }
    if (!Done(r)) {
      if (r.outcome.compare(0, 6, "failed") == 0 || r.outcome.find("failed") != std::string::npos)
        failed.Add("{\"action\": " + JsonText(r.what) + ", \"item\": " + JsonText(Unquoted(r.target)) +
                   ", \"outcome\": " + JsonText(r.outcome) + "}");
      continue;
    }
    if (r.what == "delete driver" || r.what == "delete driver package") {
      (r.what == "delete driver" ? drivers : packages)
          .Add("{\"name\": " + JsonText(Unquoted(r.target)) + ", \"environment\": " +
               JsonText(InBrackets(r.target)) + "}");
    } else if (RegistryListOfAction().count(r.what)) {
      lists[RegistryListOfAction().at(r.what)].Add("{\"name\": " + JsonText(Unquoted(r.target)) +
                                                   ", \"view\": " + JsonText(ViewOf(r.target)) + "}");
    } else if (r.what == "delete INI line") {
      iniLines.Add(JsonText(r.target));
    } else {
      auto kind = ListOfAction().find(r.what);
      if (kind != ListOfAction().end()) lists[kind->second].Add(JsonText(Unquoted(r.target)));
    }
  }
  std::string out = "{\n  \"tool\": \"TORVAX02\",\n  \"commandLine\": " + JsonText(commandLine) +
                    ",\n  \"exitCode\": " + std::to_string(exitCode) +
                    ",\n  \"restartNeeded\": " + (exitCode == 3010 ? "true" : "false");
  out += ",\n  \"drivers\": " + drivers.Text();
  out += ",\n  \"driverPackages\": " + packages.Text();
  out += ",\n  \"iniLines\": " + iniLines.Text();
  out += ",\n  \"files\": " + files.Text();
  for (const char* name : {"printers", "monitors", "printProcessors", "services",
                           "runValues", "registryKeys", "registryValues", "folders", "infCopies",
                           "programGroups", "hooks", "defaultPrinter", "disguiseTool"})
    out += ",\n  \"" + std::string(name) + "\": " + lists[name].Text();
  out += ",\n  \"kept\": " + kept.Text();
  out += ",\n  \"failed\": " + failed.Text();
  out += ",\n  \"actions\": " + actions.Text();
  return out + "\n}\n";
}

}  // namespace vq
