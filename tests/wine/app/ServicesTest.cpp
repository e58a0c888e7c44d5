// Services and the spooler against Wine's service control manager.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/wine/core/WineTestSupport.h"
#include "uninstall/engine/Services.h"
#include "uninstall/profile/UninstallDatabase.h"

using namespace vq;

namespace {
const COsVersion kXP(COsVersion::kPlatformNT, COsVersion::kVersionXP);


bool ServiceExists(const char* name) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = OpenServiceA(manager, name, SERVICE_QUERY_STATUS);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return service != nullptr;
}

CUninstallDatabase WithServices(std::initializer_list<const char*> names) {
  CUninstallDatabase db;
  for (const char* n : names) db.removal.List(kServices).push_back(n);
  return db;
}
}  // namespace

TEST(Services, DeletedServicesAskForARestart) {
  ASSERT_TRUE(CreateTestService("QuillanSpoolHelper02"));
  CUninstallDatabase db = WithServices({"QuillanSpoolHelper02"});
  RemoveServices(db, kXP);
  EXPECT_FALSE(ServiceExists("QuillanSpoolHelper02"));
  EXPECT_EQ(db.restartNeeded, 1);
}

TEST(Services, UnknownNamesChangeNothing) {
  CUninstallDatabase db = WithServices({"NoSuchService02"});
  RemoveServices(db, kXP);
  EXPECT_EQ(db.restartNeeded, 0);
}

TEST(Services, ServiceAlreadyMarkedForDeletionStillAsksForARestart) {
  ASSERT_TRUE(CreateTestService("QuillanMarked02"));
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE held = OpenServiceA(manager, "QuillanMarked02", SERVICE_ALL_ACCESS);
  ASSERT_NE(held, nullptr);
  ASSERT_TRUE(DeleteService(held));  // marked; the open handle keeps it alive
  CUninstallDatabase db = WithServices({"QuillanMarked02"});
  RemoveServices(db, kXP);
  EXPECT_TRUE(ServiceExists("QuillanMarked02"));  // still there while a handle is open
  EXPECT_EQ(db.restartNeeded, 1);
  CloseServiceHandle(held);
  CloseServiceHandle(manager);
}

TEST(Services, NothingOutsideWindowsNT) {
  ASSERT_TRUE(CreateTestService("QuillanNineX02"));
  CUninstallDatabase db = WithServices({"QuillanNineX02"});
  RemoveServices(db, COsVersion(COsVersion::kPlatformWin9x, COsVersion::kVersion98));
  EXPECT_TRUE(ServiceExists("QuillanNineX02"));
  EXPECT_EQ(db.restartNeeded, 0);
}

TEST(Spooler, StartAndStopAgainstWinesSpooler) {
  EXPECT_EQ(StartSpooler(), 1);
  EXPECT_EQ(StartSpooler(), 1);  // already running or started again: both count
  // A stop is accepted only while the spooler runs; Wine's spooler process
  // may already have ended (1062), and then the request is refused.
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE spooler = OpenServiceA(manager, "Spooler", SERVICE_QUERY_STATUS);
  SERVICE_STATUS status = {};
  ASSERT_TRUE(QueryServiceStatus(spooler, &status));
  CloseServiceHandle(spooler);
  CloseServiceHandle(manager);
  const int expected = status.dwCurrentState == SERVICE_RUNNING ? 1 : 0;
  EXPECT_EQ(StopSpooler(), expected);
  EXPECT_EQ(StopSpooler(), 0);  // a second stop finds it stopping or stopped
  EXPECT_EQ(StartSpooler(), 1);
  EXPECT_EQ(CloseSpoolerWindow(), 0);  // no Windows 95 spooler window here
}
