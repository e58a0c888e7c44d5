// The two platform rules of the setting dialogs: who is an administrator (on
// Wine's token, and on the Windows 9x and user tokens of a fake system), and
// when the energy-saver list offers "off".
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "statusdlg/SettingDlgs.h"

namespace {

TEST(SettingsRulesTest, WineProcessTokenHoldsTheAdministratorsGroup) { EXPECT_TRUE(IsAdministrator()); }

// A TOKEN_GROUPS record of the built-in groups with these relative ids
// (Users 545, Administrators 544, ...), as a token answers it.
std::vector<BYTE> BuiltinGroups(std::initializer_list<DWORD> rids) {
  const DWORD sidSize = GetSidLengthRequired(2);
  const size_t header = sizeof(TOKEN_GROUPS) + rids.size() * sizeof(SID_AND_ATTRIBUTES);
  std::vector<BYTE> buffer(header + rids.size() * sidSize);
  auto* groups = reinterpret_cast<TOKEN_GROUPS*>(buffer.data());
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  BYTE* sid = buffer.data() + header;
  for (DWORD rid : rids) {
    InitializeSid(sid, &nt, 2);
    *GetSidSubAuthority(sid, 0) = SECURITY_BUILTIN_DOMAIN_RID;
    *GetSidSubAuthority(sid, 1) = rid;
    groups->Groups[groups->GroupCount].Sid = sid;
    groups->Groups[groups->GroupCount].Attributes = SE_GROUP_ENABLED;
    ++groups->GroupCount;
    sid += sidSize;
  }
  return buffer;
}

// What the fake system answers, and whether the token was asked for.
DWORD g_version;
bool g_groupsReadable;
std::vector<BYTE> g_groups;
bool g_groupsAsked;

DWORD FakeVersion() { return g_version; }
bool FakeCallerGroups(std::vector<BYTE>& groups) {
  g_groupsAsked = true;
  groups = g_groups;
  return g_groupsReadable;
}

TEST(SettingsRulesTest, AdministratorIsAnyoneOnWindows9xAndAMemberOfAdministratorsOnWindowsNt) {
  const DWORD kWindows98 = 0xC0000A04;  // high bit set, version 4.10
  const DWORD kWindowsXp = 0x0A280105;  // 5.1, build 2600
  const struct {
    const char* what;
    DWORD version;
    bool readable;
    std::vector<BYTE> groups;
    bool administrator;
    bool asked;
  } cases[] = {
      {"Windows 98, no token", kWindows98, false, {}, true, false},
      {"XP, user", kWindowsXp, true, BuiltinGroups({DOMAIN_ALIAS_RID_USERS}), false, true},
      {"XP, administrator", kWindowsXp, true,
       BuiltinGroups({DOMAIN_ALIAS_RID_USERS, DOMAIN_ALIAS_RID_ADMINS}), true, true},
      {"XP, power user", kWindowsXp, true, BuiltinGroups({DOMAIN_ALIAS_RID_POWER_USERS}), false, true},
      {"XP, token unreadable", kWindowsXp, false, BuiltinGroups({DOMAIN_ALIAS_RID_ADMINS}), false, true},
  };
  const AdministratorQueries fake = {&FakeVersion, &FakeCallerGroups};
  for (const auto& c : cases) {
    g_version = c.version;
    g_groupsReadable = c.readable;
    g_groups = c.groups;
    g_groupsAsked = false;
    EXPECT_EQ(c.administrator, IsAdministrator(fake)) << c.what;
    EXPECT_EQ(c.asked, g_groupsAsked) << c.what;
  }
}

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
