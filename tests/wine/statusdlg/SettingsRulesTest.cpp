// The two platform rules of the setting dialogs: who is an administrator, and
// when the energy-saver list offers "off".
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "statusdlg/SettingDlgs.h"

namespace {

TEST(SettingsRulesTest, WineProcessTokenHoldsTheAdministratorsGroup) { EXPECT_TRUE(IsAdministrator()); }

TEST(SettingsRulesTest, OffEntryIsLeftOutOnlyForMetricSystemsOutsideCountryTwo) {
  const struct {
    const char* country;
    const char* measure;
    bool offered;
  } cases[] = {
      {nullptr, nullptr, true},  // defaults: iCountry 0, iMeasure 1
      {"55", "0", false}, {"55", "1", true}, {"2", "0", true}, {"1", "0", false}, {"49", nullptr, true},
  };
  for (const auto& c : cases) {
    WriteProfileStringA("Intl", "iCountry", c.country);
    WriteProfileStringA("Intl", "iMeasure", c.measure);
    EXPECT_EQ(c.offered, EnergySaverOffOffered())
        << (c.country ? c.country : "-") << "/" << (c.measure ? c.measure : "-");
  }
  WriteProfileStringA("Intl", "iCountry", nullptr);
  WriteProfileStringA("Intl", "iMeasure", nullptr);
}

}  // namespace
