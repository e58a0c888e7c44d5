#include "tests/wine/machine/RunRecords.h"

#include <regex>

#include "tests/wine/core/WineTestSupport.h"

namespace vq::fixture {

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A JSON string's text, unescaped.
std::string Unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

}  // namespace

std::string ChangesOfAPlan(const MachineState& before, const MachineState& after,
                           const std::string& planPath) {
  const std::string environments = "reg hklm\\system\\currentcontrolset\\control\\print\\environments\\";
  std::string changes;
  for (const MachineChange& c : ChangesBetween(before, after)) {
    const bool listed = StartsWith(c.entry, environments) &&
                        (EndsWith(c.entry, "\\drivers\\") ||
                         c.entry.find("\\drivers\\version-") != std::string::npos);
    if (c.entry != FileEntry(planPath) && !listed) changes += "\n  " + c.entry;
  }
  return changes;
}

std::vector<std::string> PlannedActions(const std::string& planPath) {
  const std::string plan = ReadFileText(planPath);
  const std::regex action(
      R"re(\{"action": "((?:[^"\\]|\\.)*)", "target": "((?:[^"\\]|\\.)*)", "outcome": "((?:[^"\\]|\\.)*)"\})re");
  std::vector<std::string> actions;
  const std::size_t list = plan.find("\"actions\"");
  const auto from = plan.begin() + static_cast<std::ptrdiff_t>(list == std::string::npos ? plan.size() : list);
  for (std::sregex_iterator it(from, plan.end(), action), end; it != end; ++it)
    actions.push_back(Unescaped((*it)[1]) + " " + Unescaped((*it)[2]) + ": " + Unescaped((*it)[3]));
  return actions;
}

std::vector<std::string> LoggedActions(const std::string& logPath) {
  std::vector<std::string> actions;
  const std::string log = ReadFileText(logPath);
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    start = end + 2;
    if (line.size() < 20) continue;
    const std::string entry = line.substr(20);  // "YYYY-MM-DD HH:MM:SS "
    if (StartsWith(entry, "message ") || StartsWith(entry, "restart ")) continue;
    actions.push_back(entry);
  }
  return actions;
}

std::vector<std::string> WithoutRunOutcomes(std::vector<std::string> actions) {
  for (std::string& a : actions)
    if (StartsWith(a, "call hook ") || StartsWith(a, "start disguise tool "))
      a = a.substr(0, a.rfind(": "));
  return actions;
}

std::string FirstDifference(const std::vector<std::string>& planned,
                            const std::vector<std::string>& done) {
  std::size_t same = 0;
  while (same < planned.size() && same < done.size() && planned[same] == done[same]) ++same;
  if (same == planned.size() && same == done.size()) return std::string();
  return "they part at action " + std::to_string(same) + ":\n  planned: " +
         (same < planned.size() ? planned[same] : "(nothing more)") +
         "\n  done:    " + (same < done.size() ? done[same] : "(nothing more)");
}

}  // namespace vq::fixture
