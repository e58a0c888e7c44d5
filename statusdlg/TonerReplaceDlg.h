// The toner replacement flow: the dialog that asks for colour and capacity,
// and the wait box that follows the printer's status while the user changes
// the cartridge.
#pragma once

#include <stdint.h>

#include "statusdlg/Controls.h"
#include "statusdlg/HostContract.h"
#include "statusdlg/ModalDialog.h"

// Period of the wait box's status poll.
const UINT kWaitPollPeriodMs = 3000;

// Display name of a TonerColour; "" for any other value.
const char* TonerColourName(int32_t colour);

class CTonerReplaceDlg : public CModalDialog {
 public:
  CTonerReplaceDlg();

  int32_t m_replaceFlag = 0;
  int32_t m_capacityOnly = 0;
  int32_t m_capacity = CAPACITY_HIGH;
  int32_t m_colour = TONER_CYAN;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  bool OnCommand(int id, int code) override;

 private:
  void EnableCapacityChoice(bool enable);
  CComboBox m_colourList;
};

class CReplaceWaitDlg : public CModalDialog {
 public:
  // The library always polls every kWaitPollPeriodMs; only tests pass another.
  explicit CReplaceWaitDlg(UINT pollPeriodMs = kWaitPollPeriodMs);

  int32_t m_tickCount = 0;
  int32_t m_readySeen = 0;
  int32_t m_state = 0;
  UINT_PTR m_timer = 0;
  int32_t m_colour = 0;

 protected:
  BOOL OnInitDialog() override;
  bool OnTimer(UINT_PTR id) override;

 private:
  void OnPoll();
  void ShowPleaseWait();
  UINT m_pollPeriodMs;
};

// The flow behind TonerReplaceDialogDoModal once no open dialog was found:
// asks for the cartridge, asks the host to start, runs the wait box and
// reports the capacity to host, as the replacement flag and the user's
// choice decide.
void RunTonerReplacement(HWND host, UINT pollPeriodMs);
