// The mode setting and voltage bias dialogs: auto continue, automatic toner
// replacement and the energy-saver delay (and, in the voltage bias dialog,
// the duplex density), read from the host at start and all sent back at OK.
#pragma once

#include <stdint.h>

#include <vector>

#include "statusdlg/Controls.h"
#include "statusdlg/HostContract.h"
#include "statusdlg/ModalDialog.h"

// What the administrator check reads from the system; tests give their own.
struct AdministratorQueries {
  // The system's version number (GetVersion); its high bit marks Windows 9x.
  DWORD (*version)();
  // The group list (a TOKEN_GROUPS record) of the caller's access token: the
  // thread's, or the process's when the thread has none. False when it
  // cannot be read.
  bool (*callerGroups)(std::vector<BYTE>& groups);
};

// The queries of the running system.
const AdministratorQueries& SystemAdministratorQueries();

// True when the caller may change the administrator-only settings: on
// Windows 9x always, otherwise when the caller's token holds the built-in
// Administrators group. A token that cannot be read answers false.
bool IsAdministrator(const AdministratorQueries& queries);
bool IsAdministrator();

// Whether the energy-saver list offers "off", from the "Intl" settings of the
// Windows profile: left out for metric systems outside country 2.
bool EnergySaverOffOffered();

// Shared by both dialogs: the check boxes, the energy-saver list and the
// messages that read and write them.
class CPrinterSettingsDlg : public CModalDialog {
 public:
  // The library always asks IsAdministrator; only tests pass another check.
  typedef bool (*AdministratorCheck)();
  CPrinterSettingsDlg(UINT templateId, AdministratorCheck isAdministrator);

  int32_t m_autoContinue = 0;
  int32_t m_autoReplace = 0;
  int32_t m_energySaverRead = 0;
  int32_t m_energySaverChosen = 0;
  // Whether the host answered the question for each value at start.
  bool m_autoContinueAnswered = false;
  bool m_autoReplaceAnswered = false;
  bool m_energySaverAnswered = false;

 protected:
  void OnOK() override;
  // Start steps from the auto replace check box on: asks the host and fills
  // the controls.
  void ReadAutoReplace();
  void ReadRemainingSettings();
  // Sends the three common settings in their order. A value the host did not
  // give at start is sent only when the user has set it: the dialog must not
  // change a printer setting that neither the host nor the user gave.
  void SendCommonSettings();

  CComboBox m_energySaver;

 private:
  void FillEnergySaverList();
  AdministratorCheck m_isAdministrator;
};

class CModeSettingDlg : public CPrinterSettingsDlg {
 public:
  explicit CModeSettingDlg(AdministratorCheck isAdministrator = &IsAdministrator);

  int32_t m_reserved = 0;  // the entry point's first argument, not used
  LOGFONTA m_font;

 protected:
  BOOL OnInitDialog() override;
};

class CVoltageBiasDlg : public CPrinterSettingsDlg {
 public:
  explicit CVoltageBiasDlg(AdministratorCheck isAdministrator = &IsAdministrator);

  int32_t m_replaceFlag = 0;
  int32_t m_duplexDensity = 0;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  CTrackBar m_density;
};
