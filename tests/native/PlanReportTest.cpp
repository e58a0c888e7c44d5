// The plan document: each action of a run under its kind, files with when
// they go, what a guard keeps with its reason, failures apart, and every
// record in order; read back as its readers read it, with a JSON parser.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "uninstall/profile/PlanReport.h"

using namespace vq;
using Json = nlohmann::ordered_json;

namespace {

// Bytes of the machine's Windows-1252 texts that are no text in UTF-8: the
// five Windows-1252 leaves undefined, control characters, a lone quote and
// backslash.
const char kOddBytes[] = "\"odd\x81\x8D\x8F\x90\x9D \x01\x1F\x7F\\\" \xE9\xFF\x80";

const std::vector<ActionRecord> kRecords = {
    {"printer", "\"vintara 7310K PS\"", "chosen for removal"},
    {"delete printer", "\"vintara 7310K PS\"", "ok"},
    {"delete driver", "\"VARDEN QUILLAN vintara 7310K PS\" (Windows 4.0)", "ok"},
    {"delete driver package", "\"C:\\DriverStore\\qv7310.inf\" (current)", "ok"},
    {"delete file", "\"C:\\WINDOWS\\SYSTEM\\QVRES02.DLL\"", "ok"},
    {"delete file", "\"C:\\WINDOWS\\SYSTEM\\QVSTAT02.EXE\"", "in use (error 32), scheduled for the next start"},
    {"delete file", "\"PSCRIPT5.DLL\"", "kept: used by driver \"TREMONA\" (current)"},
    {"delete key", "\"HKLM\\SOFTWARE\\VARDEN QUILLAN\\Common\"", "failed (error 5)"},
    {"delete value", "\"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Userinit\"",
     "refused: Windows needs this value"},
    {"delete INI line", "\"C:\\WINDOWS\\win.ini\" [Quillan] DefaultModel", "ok"},
    {"delete key tree", "\"HKCR\\Recep\xE7\xE3o\"", "ok"},
    {"delete key tree", "\"HKLM\\SOFTWARE\\VARDEN QUILLAN\\vintara (PS)\" (32-bit view)", "ok"},
    {"delete Run value", "\"Quillan Status (7310K)\"", "ok"},
    {"delete printer", kOddBytes, "ok"},
    {"not restorable", "\"QV7310HK.DLL,UninstallHook\"", "what an add-on's hook does inside its own library"},
    {"backup folder", "\"C:\\WINDOWS\\Qunz__02.bak\\20261209-140359\\\"", "planned"},
};

class PlanReport : public testing::Test {
 protected:
  // The document must parse; a throw here fails the test as well.
  const Json plan = Json::parse(PlanJson(kRecords, "TORVAX02.exe /QUIET /PLAN:p.json", 3010));
};

}  // namespace

TEST_F(PlanReport, ActionsGoUnderTheirKind) {
  const struct Row {
    const char* pointer;
    const char* expected;  // JSON
  } rows[] = {
      {"/tool", R"j("TORVAX02")j"},
      {"/commandLine", R"j("TORVAX02.exe /QUIET /PLAN:p.json")j"},
      {"/exitCode", "3010"},
      {"/restartNeeded", "true"},
      {"/drivers", R"j([{"name": "VARDEN QUILLAN vintara 7310K PS", "environment": "Windows 4.0"}])j"},
      {"/driverPackages", R"j([{"name": "C:\\DriverStore\\qv7310.inf", "environment": "current"}])j"},
      {"/files", R"j([{"path": "C:\\WINDOWS\\SYSTEM\\QVRES02.DLL", "when": "now"},
                     {"path": "C:\\WINDOWS\\SYSTEM\\QVSTAT02.EXE", "when": "next start"}])j"},
      {"/kept", R"j([{"action": "delete file", "item": "PSCRIPT5.DLL",
                     "reason": "kept: used by driver \"TREMONA\" (current)"},
                    {"action": "delete value",
                     "item": "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Userinit",
                     "reason": "refused: Windows needs this value"}])j"},
      {"/failed", R"j([{"action": "delete key", "item": "HKLM\\SOFTWARE\\VARDEN QUILLAN\\Common",
                       "outcome": "failed (error 5)"}])j"},
      {"/iniLines", R"j(["\"C:\\WINDOWS\\win.ini\" [Quillan] DefaultModel"])j"},
      // Windows-1252 text arrives as UTF-8.
      {"/registryKeys", "[{\"name\": \"HKCR\\\\Recep\xC3\xA7\xC3\xA3o\", \"view\": \"\"},"
                        " {\"name\": \"HKLM\\\\SOFTWARE\\\\VARDEN QUILLAN\\\\vintara (PS)\", \"view\": \"32-bit\"}]"},
      {"/registryValues", "[]"},
      // Named before the run: where its backup goes, and what no undo brings back.
      {"/backupFolder", R"j("C:\\WINDOWS\\Qunz__02.bak\\20261209-140359\\")j"},
      {"/notRestorable", R"j([{"item": "QV7310HK.DLL,UninstallHook",
                              "what": "what an add-on's hook does inside its own library"}])j"},
      {"/runValues", R"j([{"name": "Quillan Status (7310K)", "view": ""}])j"},
      // Every byte keeps its Windows-1252 character: the undefined five as
      // the C1 controls Windows makes of them.
      {"/printers/1", "\"odd\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D \\u0001\\u001f\x7F\\\\\""},
      {"/actions/13/target",
       "\"\\\"odd\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D \\u0001\\u001f\x7F\\\\\\\" \xC3\xA9\xC3\xBF\xE2\x82\xAC\""},
  };
  for (const Row& row : rows)
    EXPECT_EQ(plan.at(Json::json_pointer(row.pointer)), Json::parse(row.expected)) << row.pointer;
}

// Readers find the run's facts first and the lists in a fixed order, and
// every record among the actions, in order.
TEST_F(PlanReport, KeysInTheirOrderAndEveryRecordListed) {
  std::vector<std::string> keys;
  for (const auto& item : plan.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{
                      "tool", "commandLine", "exitCode", "restartNeeded", "backupFolder", "drivers",
                      "driverPackages", "iniLines", "files", "printers", "monitors",
                      "printProcessors", "services", "runValues", "registryKeys", "registryValues",
                      "folders", "infCopies", "programGroups", "hooks", "defaultPrinter",
                      "disguiseTool", "notRestorable", "kept", "failed", "actions"}));
  // Every record but the backup folder's, which the document names apart.
  ASSERT_EQ(plan.at("actions").size(), kRecords.size() - 1);
  for (std::size_t i = 0; i + 1 < kRecords.size(); ++i)
    EXPECT_EQ(plan.at("actions")[i].at("action"), kRecords[i].what) << i;
  EXPECT_EQ(plan.at("actions")[7],
            (Json{{"action", "delete key"},
                  {"target", "\"HKLM\\SOFTWARE\\VARDEN QUILLAN\\Common\""},
                  {"outcome", "failed (error 5)"}}));
}
