#include "tests/wine/machine/RunRecords.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "tests/wine/core/WineTestSupport.h"

namespace vq::fixture {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

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
  const nlohmann::json plan = nlohmann::json::parse(ReadFileText(planPath), nullptr, false);
  std::vector<std::string> actions;
  if (!plan.is_object() || !plan.contains("actions")) return actions;
  for (const nlohmann::json& a : plan.at("actions"))
    actions.push_back(a.value("action", "") + " " + a.value("target", "") + ": " + a.value("outcome", ""));
  return actions;
}

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line.erase(0, line.find_first_not_of(' '));
    if (!line.empty()) lines.push_back(line);
    at = end + 1;
  }
  return lines;
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
    // The backup folder is named apart in the plan: its name holds the time.
    if (StartsWith(entry, "message ") || StartsWith(entry, "restart ") ||
        StartsWith(entry, "backup folder "))
      continue;
    actions.push_back(entry);
  }
  return actions;
}

std::vector<std::string> WithoutRunOutcomes(std::vector<std::string> actions) {
  for (std::string& a : actions)
    if (StartsWith(a, "call hook ") || StartsWith(a, "start disguise tool ")) {
      const std::size_t end = a.find("\": ");  // the quoted target, then its outcome
      if (end != std::string::npos) a = a.substr(0, end + 1);
    }
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

// What must not change: the other maker's printers, drivers and the system
// files they use (unless `othersGo`: the run removes every printer), its
// files, keys, lines and values; the decoys; and Windows' own keys and values
// that the hostile script names.
bool MustStay(const std::string& entry, bool othersGo) {
  static const char* const kPrinterMarks[] = {
      "colorpage 400 (sala)", "mono 20", "tremona colorpage 400 ps", "tremona mono 20",
      "{tm400-prn-0001}", "tm20.gpd", "tcp400.ppd", "tmcolor.dll", "oem12.inf", "\\pscript5.dll",
      "\\ps5ui.dll", "\\pscript.ntf", "\\unires.dll", "\\unidrv.dll", "\\unidrvui.dll"};
  static const char* const kMarks[] = {
      "software\\tremona", "\\tremona port\\", "tmport.dll", "tmstat.exe", "tremona.document",
      ".tmx", "{6d1f3a7c-0400-4b0e-9c1d-00000000a001}", "|[tremona]|",
      "c:\\program files\\tremona\\", "file c:\\qvstat02.exe",
      "file c:\\windows\\inf\\qvstat02.exe", "dir c:\\program files\\varden quillan\\empty before\\",
      "\\winlogon\\|userinit", "reg hklm\\software\\classes\\clsid\\{",
      "reg hklm\\software\\classes\\*\\", "file c:\\windows\\system32\\kernel32.dll",
      "\\print\\monitors\\local port\\", "\\services\\spooler\\",
      "file c:\\vq relative\\", "file c:\\program files\\common files\\vq other\\",
      "file c:\\users\\public\\qvstat02.exe", "file c:\\vq behind junction\\",
      "file c:\\program files\\varden quillan\\kernel32.dll"};
  // The maker's own CLSID-named key goes; every other CLSID stays.
  if (entry.find("{6d1f3a7c-7310-4b0e-9c1d-000000000001}") != std::string::npos) return false;
  for (const char* mark : kMarks)
    if (entry.find(mark) != std::string::npos) return true;
  if (othersGo) return false;
  for (const char* mark : kPrinterMarks)
    if (entry.find(mark) != std::string::npos) return true;
  return false;
}

}  // namespace vq::fixture
