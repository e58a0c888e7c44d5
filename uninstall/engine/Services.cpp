#include "uninstall/engine/Services.h"

#include <windows.h>

#include "uninstall/engine/ActionLog.h"
#include "uninstall/profile/UninstallDatabase.h"

namespace vq {

namespace {

class CServiceHandle {
 public:
  explicit CServiceHandle(SC_HANDLE h) : h_(h) {}
  ~CServiceHandle() {
    if (h_) CloseServiceHandle(h_);
  }
  CServiceHandle(const CServiceHandle&) = delete;
  CServiceHandle& operator=(const CServiceHandle&) = delete;
  SC_HANDLE Get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  SC_HANDLE h_;
};

const char kSpoolerService[] = "Spooler";

}  // namespace

void RemoveServices(CUninstallDatabase& db, const COsVersion& os) {
  if (!os.IsNT()) return;
  CServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (!manager) return;
  for (const std::string& name : db.removal.List(kServices)) {
    CServiceHandle service(OpenServiceA(manager.Get(), name.c_str(), SERVICE_ALL_ACCESS));
    if (!service) continue;  // not installed: nothing to do
    // Services are not stopped first: a deleted service goes when the machine
    // restarts, which the restart-needed flag asks for.
    const BOOL deleted = DeleteService(service.Get());
    const DWORD error = deleted ? ERROR_SUCCESS : GetLastError();
    if (deleted || error == ERROR_SERVICE_MARKED_FOR_DELETE) db.restartNeeded = 1;
    LogAction("delete service", Quoted(name), error);
  }
}

int StopSpooler() {
  CServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return 0;
  CServiceHandle spooler(OpenServiceA(manager.Get(), kSpoolerService, SERVICE_ALL_ACCESS));
  if (!spooler) return 0;
  SERVICE_STATUS status = {};
  return ControlService(spooler.Get(), SERVICE_CONTROL_STOP, &status) ? 1 : 0;
}

int StartSpooler() {
  CServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return 0;
  CServiceHandle spooler(OpenServiceA(manager.Get(), kSpoolerService, SERVICE_ALL_ACCESS));
  if (!spooler) return 0;
  if (StartServiceA(spooler.Get(), 0, nullptr)) return 1;
  return GetLastError() == ERROR_SERVICE_ALREADY_RUNNING ? 1 : 0;
}

int CloseSpoolerWindow() {
  HWND window = FindWindowA("SpoolProcessClass", nullptr);
  if (!window) return 0;
  SendMessageA(window, WM_CLOSE, 0, 0);
  Sleep(1000);
  return 1;
}

}  // namespace vq
