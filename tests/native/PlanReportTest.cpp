// The plan document: each action of a run under its kind, files with when
// they go, what a guard keeps with its reason, failures apart, and every
// record in order.
#include <gtest/gtest.h>

#include "uninstall/profile/PlanReport.h"

using namespace vq;

TEST(PlanReport, ActionsGoUnderTheirKindAndEveryRecordIsListed) {
  const std::vector<ActionRecord> records = {
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
  };
  const std::string plan = PlanJson(records, "TORVAX02.exe /QUIET /PLAN:p.json", 3010);
  for (const char* expected : {
           "\"restartNeeded\": true",
           "\"printers\": [\n    \"vintara 7310K PS\"\n  ]",
           "{\"name\": \"VARDEN QUILLAN vintara 7310K PS\", \"environment\": \"Windows 4.0\"}",
           "\"driverPackages\": [\n    {\"name\": \"C:\\\\DriverStore\\\\qv7310.inf\", \"environment\": \"current\"}\n  ]",
           "{\"path\": \"C:\\\\WINDOWS\\\\SYSTEM\\\\QVRES02.DLL\", \"when\": \"now\"}",
           "{\"path\": \"C:\\\\WINDOWS\\\\SYSTEM\\\\QVSTAT02.EXE\", \"when\": \"next start\"}",
           "\"item\": \"PSCRIPT5.DLL\", \"reason\": \"kept: used by driver \\\"TREMONA\\\" (current)\"",
           "\"reason\": \"refused: Windows needs this value\"",
           "\"failed\": [\n    {\"action\": \"delete key\", \"item\": \"HKLM\\\\SOFTWARE\\\\VARDEN QUILLAN\\\\Common\"",
           "\"iniLines\": [\n    \"\\\"C:\\\\WINDOWS\\\\win.ini\\\" [Quillan] DefaultModel\"\n  ]",
           "\"registryKeys\": [\n    {\"name\": \"HKCR\\\\Recep\xC3\xA7\xC3\xA3o\", \"view\": \"\"},\n"
           "    {\"name\": \"HKLM\\\\SOFTWARE\\\\VARDEN QUILLAN\\\\vintara (PS)\", \"view\": \"32-bit\"}\n  ]",
           "\"runValues\": [\n    {\"name\": \"Quillan Status (7310K)\", \"view\": \"\"}\n  ]",
       })
    EXPECT_NE(plan.find(expected), std::string::npos) << expected << "\n" << plan;
  // Every record, in order, among the actions.
  std::size_t at = plan.find("\"actions\"");
  for (const ActionRecord& r : records) {
    const std::size_t next = plan.find("{\"action\": \"" + r.what + "\"", at);
    ASSERT_NE(next, std::string::npos) << r.what;
    at = next + 1;
  }
}
