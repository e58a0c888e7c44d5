// The restart: only paths that cannot reboot the machine are run here. The
// answer No, Win32s with a restart helper that cannot start, and
// RebootWithPrivilege in a process whose token no longer holds the shutdown
// privilege (checked before the call; the test is skipped otherwise).
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/wine/cleanup/CleanupTestSupport.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/engine/Restart.h"

using namespace cleanup_test;

namespace {

std::string LoadLine() {
  char line[256] = "";
  WriteProfileStringA(nullptr, nullptr, nullptr);
  GetProfileStringA("windows", "Load", "", line, sizeof(line));
  return line;
}

// Whether this process's token lists the shutdown privilege at all.
bool HoldsShutdownPrivilege() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;  // assume the worst
  LUID shutdown;
  LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown);
  DWORD size = 0;
  GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
  std::vector<BYTE> buffer(size ? size : 1);
  bool held = true;
  if (GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size)) {
    held = false;
    auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i)
      if (privileges->Privileges[i].Luid.LowPart == shutdown.LowPart &&
          privileges->Privileges[i].Luid.HighPart == shutdown.HighPart)
        held = true;
  }
  CloseHandle(token);
  return held;
}

bool DropShutdownPrivilege() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_REMOVED;
  LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
  AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  CloseHandle(token);
  return !HoldsShutdownPrivilege();
}

}  // namespace

TEST(Restart, RebootWithPrivilegeWithoutThePrivilegeReturnsZero) {
  if (HoldsShutdownPrivilege() && !DropShutdownPrivilege())
    GTEST_SKIP() << "the shutdown privilege cannot be taken from this process; calling would reboot";
  EXPECT_EQ(vq::RebootWithPrivilege(), 0);
  // The NT path of Restart then reports the failure the caller shows.
  TestRun run(WinXP());
  EXPECT_TRUE(vq::Restart(run.ctx, true));
}

TEST(Restart, AnswerNoRestartsNothingOutsideWin32s) {
  for (const vq::COsVersion& os : {WinXP(), Win98()}) {
    TestRun run(os);
    EXPECT_FALSE(vq::Restart(run.ctx, false));
  }
}

TEST(Restart, Win32sPreparesTheNextStartWhateverTheAnswer) {
  const std::string tool = ToolFolder(), list = tool + "zwininit.ini", program = tool + "zwininit.exe";
  DeleteFileA(list.c_str());
  ASSERT_TRUE(WriteText(program, "MZ"));
  WriteProfileStringA("windows", "Load", "other.exe");
  TestRun run(Win32s());
  EXPECT_FALSE(vq::Restart(run.ctx, false));
  char value[16] = "";
  GetPrivateProfileStringA("RENAME", (tool + "ZRESTART.EXE").c_str(), "", value, sizeof(value), list.c_str());
  EXPECT_STREQ(value, "NUL");
  EXPECT_EQ(LoadLine(), "other.exe ZWININIT");

  // Yes, with no ZRESTART.EXE to start: the failure is reported, the
  // preparation is made once.
  ASSERT_FALSE(vq::fixture::FileExists(tool + "ZRESTART.EXE"));
  EXPECT_TRUE(vq::Restart(run.ctx, true));
  EXPECT_EQ(LoadLine(), "other.exe ZWININIT");
  WriteProfileStringA("windows", "Load", nullptr);
  DeleteFileA(list.c_str());
  DeleteFileA(program.c_str());
}
