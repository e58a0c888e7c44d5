#include "uninstall/engine/Services.h"

#include <windows.h>

#include "uninstall/engine/ActionLog.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/system/AccessLayer.h"

namespace vq {

namespace {

// A service manager or service handle, given back through the layer that
// opened it.
class CServiceHandle {
 public:
  explicit CServiceHandle(SC_HANDLE h) : h_(h) {}
  ~CServiceHandle() {
    if (h_) Access().CloseServiceHandle(h_);
  }
  CServiceHandle(const CServiceHandle&) = delete;
  CServiceHandle& operator=(const CServiceHandle&) = delete;
  SC_HANDLE Get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  SC_HANDLE h_;
};

const char kSpoolerService[] = "Spooler";

// Services of Windows itself, from Windows NT 3.51 to 11, that printing and
// the machine need; whatever a script says, they stay. (The registry guard
// keeps their keys; this keeps the service manager from deleting them.)
const char* const kWindowsServices[] = {
    "Spooler",     "RpcSs",        "RpcEptMapper", "DcomLaunch",   "PlugPlay",   "EventLog",
    "LanmanServer", "LanmanWorkstation", "Netlogon", "Schedule",   "Winmgmt",    "SamSs",
    "Dhcp",        "Dnscache",     "Tcpip",        "Tcpip6",       "AFD",        "NetBT",
    "Parport",     "Parallel",     "Serial",       "usbprint",     "usbscan",    "PrintNotify",
    "Fax",         "LPDSVC",       "TermService",  "wuauserv",     "CryptSvc",   "BITS",
    "ProtectedStorage", "PolicyAgent", "Browser",  "RemoteRegistry", "TapiSrv",  "seclogon",
    "ShellHWDetection", "Themes",  "AudioSrv",     "W32Time",      "WSDPrintDevice", "FDResPub",
    "fdPHost",     "ProfSvc",      "UserManager",  "gpsvc",        "Power",      "Nsi",
};

// The longest the tool waits for the spooler to settle, whatever its wait
// hint says; a spooler slower than this is reported as it stands.
constexpr DWORD kMaxSettleMs = 60000;

bool IsPending(DWORD state) {
  return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
         state == SERVICE_CONTINUE_PENDING || state == SERVICE_PAUSE_PENDING;
}

// Waits while the service is in a pending state, as its status asks: a tenth
// of its wait hint between looks (0.1 to 1 s), for as long as the wait hint
// since the last advance of its checkpoint, at most kMaxSettleMs in all.
// Returns the state it settled in, or the last state seen (0 when the status
// could not be read).
DWORD SettledState(SC_HANDLE service) {
  SERVICE_STATUS status = {};
  if (!Access().QueryServiceStatus(service, &status)) return 0;
  DWORD waited = 0, sinceProgress = 0, checkpoint = status.dwCheckPoint;
  while (IsPending(status.dwCurrentState) && waited < kMaxSettleMs) {
    DWORD pause = status.dwWaitHint / 10;
    if (pause < 100) pause = 100;
    if (pause > 1000) pause = 1000;
    Sleep(pause);
    waited += pause;
    sinceProgress += pause;
    if (!Access().QueryServiceStatus(service, &status)) return 0;
    if (status.dwCheckPoint != checkpoint) {
      checkpoint = status.dwCheckPoint;
      sinceProgress = 0;
    } else if (sinceProgress > status.dwWaitHint && sinceProgress >= 1000) {
      break;  // no progress within the service's own estimate
    }
  }
  return status.dwCurrentState;
}

}  // namespace

bool IsWindowsService(const std::string& name) {
  for (const char* service : kWindowsServices)
    if (EqualNoCase(name, service)) return true;
  return false;
}

void RemoveServices(CUninstallDatabase& db, const COsVersion& os) {
  if (!os.IsNT()) return;
  CServiceHandle manager(Access().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (!manager) return;
  for (const std::string& name : db.removal.List(kServices)) {
    if (IsWindowsService(name)) {
      LogOutcome("delete service", Quoted(name), "refused: a service of Windows");
      continue;
    }
    CServiceHandle service(Access().OpenServiceA(manager.Get(), name.c_str(), SERVICE_ALL_ACCESS));
    if (!service) continue;  // not installed: nothing to do
    // Services are not stopped first: a deleted service goes when the machine
    // restarts, which the restart-needed flag asks for.
    const BOOL deleted = Access().DeleteService(service.Get());
    const DWORD error = deleted ? ERROR_SUCCESS : GetLastError();
    if (deleted || error == ERROR_SERVICE_MARKED_FOR_DELETE) db.restartNeeded = 1;
    if (error == ERROR_SERVICE_MARKED_FOR_DELETE)
      LogOutcome("delete service", Quoted(name), "marked for deletion already: it goes at the restart");
    else
      LogAction("delete service", Quoted(name), error);
  }
}

int StopSpooler() {
  CServiceHandle manager(Access().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return 0;
  CServiceHandle spooler(Access().OpenServiceA(manager.Get(), kSpoolerService, SERVICE_ALL_ACCESS));
  if (!spooler) return 0;
  // A spooler still starting (right after Windows starts) cannot take a stop
  // request yet: wait for it to settle first.
  if (SettledState(spooler.Get()) == SERVICE_STOPPED) return 1;
  SERVICE_STATUS status = {};
  if (!Access().ControlService(spooler.Get(), SERVICE_CONTROL_STOP, &status)) return 0;
  return SettledState(spooler.Get()) == SERVICE_STOPPED ? 1 : 0;
}

int StartSpooler() {
  CServiceHandle manager(Access().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return 0;
  CServiceHandle spooler(Access().OpenServiceA(manager.Get(), kSpoolerService, SERVICE_ALL_ACCESS));
  if (!spooler) return 0;
  // A spooler still stopping cannot be started yet; one still starting will
  // run without help.
  if (SettledState(spooler.Get()) == SERVICE_RUNNING) return 1;
  if (!Access().StartServiceA(spooler.Get(), 0, nullptr) &&
      GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
    return 0;
  return SettledState(spooler.Get()) == SERVICE_RUNNING ? 1 : 0;
}

int CloseSpoolerWindow() {
  if (Access().ChangesNothing()) return 0;
  HWND window = FindWindowA("SpoolProcessClass", nullptr);
  if (!window) return 0;
  SendMessageA(window, WM_CLOSE, 0, 0);
  Sleep(1000);
  return 1;
}

}  // namespace vq
