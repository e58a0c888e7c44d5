// Services and the spooler against Wine's service control manager.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/wine/core/WineTestSupport.h"
#include "uninstall/engine/Services.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/system/AccessLayer.h"

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

namespace {

DWORD SpoolerState() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE spooler = OpenServiceA(manager, "Spooler", SERVICE_QUERY_STATUS);
  SERVICE_STATUS status = {};
  QueryServiceStatus(spooler, &status);
  CloseServiceHandle(spooler);
  CloseServiceHandle(manager);
  return status.dwCurrentState;
}

// The spooler as a service manager reports it, one step of a pending state per
// look at it: a stop or a start takes `stepsPending` looks, and while pending
// the service takes no request (what Windows answers then).
class CSimulatedSpooler : public CAccessLayer {
 public:
  CSimulatedSpooler(DWORD state, int stepsPending) : state_(state), left_(stepsPending) {}
  SC_HANDLE OpenSCManagerA(LPCSTR, LPCSTR, DWORD) override { return Handle(1); }
  SC_HANDLE OpenServiceA(SC_HANDLE, LPCSTR, DWORD) override { return Handle(2); }
  BOOL CloseServiceHandle(SC_HANDLE) override { return TRUE; }
  BOOL QueryServiceStatus(SC_HANDLE, LPSERVICE_STATUS status) override {
    if (left_ > 0 && --left_ == 0) state_ = state_ == SERVICE_START_PENDING ? SERVICE_RUNNING : SERVICE_STOPPED;
    *status = {};
    status->dwCurrentState = state_;
    status->dwWaitHint = 500;
    status->dwCheckPoint = ++checkpoint_;
    return TRUE;
  }
  BOOL ControlService(SC_HANDLE, DWORD control, LPSERVICE_STATUS) override {
    if (control != SERVICE_CONTROL_STOP) return Refuse(ERROR_INVALID_SERVICE_CONTROL);
    if (state_ == SERVICE_STOPPED) return Refuse(ERROR_SERVICE_NOT_ACTIVE);
    if (state_ != SERVICE_RUNNING) return Refuse(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    return Begin(SERVICE_STOP_PENDING);
  }
  BOOL StartServiceA(SC_HANDLE, DWORD, LPCSTR*) override {
    if (state_ == SERVICE_RUNNING || state_ == SERVICE_START_PENDING)
      return Refuse(ERROR_SERVICE_ALREADY_RUNNING);
    if (state_ != SERVICE_STOPPED) return Refuse(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    return Begin(SERVICE_START_PENDING);
  }
  DWORD State() const { return state_; }

 private:
  static SC_HANDLE Handle(UINT_PTR n) { return reinterpret_cast<SC_HANDLE>(n); }
  static BOOL Refuse(DWORD error) {
    SetLastError(error);
    return FALSE;
  }
  BOOL Begin(DWORD pending) {
    state_ = pending;
    left_ = 3;
    return TRUE;
  }
  DWORD state_;
  int left_;
  DWORD checkpoint_ = 0;
};

}  // namespace

// The start-up stops the spooler and starts it again one tick later. On a
// real machine it runs when the tool starts; right after Windows starts it
// may still be starting. Each stop and start waits until the state settles.
TEST(Spooler, StopThenStartEndsWithARunningSpoolerFromEveryState) {
  const struct {
    DWORD state;
    int stepsPending;
  } cases[] = {{SERVICE_RUNNING, 0}, {SERVICE_STOPPED, 0}, {SERVICE_START_PENDING, 4},
               {SERVICE_STOP_PENDING, 4}};
  for (const auto& c : cases) {
    CSimulatedSpooler spooler(c.state, c.stepsPending);
    CAccessLayerOverride seam(spooler);
    EXPECT_EQ(StopSpooler(), 1) << c.state;
    EXPECT_EQ(spooler.State(), static_cast<DWORD>(SERVICE_STOPPED)) << c.state;
    EXPECT_EQ(StartSpooler(), 1) << c.state;
    EXPECT_EQ(spooler.State(), static_cast<DWORD>(SERVICE_RUNNING)) << c.state;
  }
}

TEST(Spooler, StopAndStartAgainstWinesSpooler) {
  // Started and, at once, stopped while it may still be starting.
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = OpenServiceA(manager, "Spooler", SERVICE_START);
  StartServiceA(service, 0, nullptr);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  EXPECT_EQ(StopSpooler(), 1);
  EXPECT_EQ(SpoolerState(), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(StopSpooler(), 1);  // already stopped
  EXPECT_EQ(StartSpooler(), 1);
  EXPECT_EQ(SpoolerState(), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(StartSpooler(), 1);  // already running
  EXPECT_EQ(CloseSpoolerWindow(), 0);  // no Windows 95 spooler window here
}
