#include "statusdlg/TonerReplaceDlg.h"

#include <stdio.h>

#include "statusdlg/ResourceText.h"
#include "statusdlg/resource.h"

namespace {
const UINT_PTR kPollTimer = 1;
// State 0 gives up after this many counted ticks.
const int32_t kMaxWaitTicks = 5;
}  // namespace

const char* TonerColourName(int32_t colour) {
  switch (colour) {
    case TONER_CYAN:
      return LoadResString(IDS_CYAN);
    case TONER_MAGENTA:
      return LoadResString(IDS_MAGENTA);
    case TONER_YELLOW:
      return LoadResString(IDS_YELLOW);
    case TONER_BLACK:
      return LoadResString(IDS_BLACK);
    default:
      return "";
  }
}

CTonerReplaceDlg::CTonerReplaceDlg() : CModalDialog(IDD_TONER_REPLACE) {}

BOOL CTonerReplaceDlg::OnInitDialog() {
  CModalDialog::OnInitDialog();
  SetItemText(IDC_COLOUR_GROUP, LoadResString(IDS_COLOUR));
  SetItemText(IDC_CAPACITY_GROUP, LoadResString(IDS_CAPACITY));
  SetItemText(IDOK, LoadResString(IDS_OK));
  SetItemText(IDCANCEL, LoadResString(IDS_CANCEL));
  SetItemText(IDC_CAPACITY_ONLY, LoadResString(IDS_CAPACITY_ONLY));

  m_colourList.Attach(Item(IDC_COLOUR_LIST));
  m_colourList.AddString(LoadResString(IDS_CYAN), TONER_CYAN);
  m_colourList.AddString(LoadResString(IDS_MAGENTA), TONER_MAGENTA);
  m_colourList.AddString(LoadResString(IDS_YELLOW), TONER_YELLOW);
  m_colourList.AddString(LoadResString(IDS_BLACK), TONER_BLACK);
  m_colourList.SelectByData(m_colour);

  SetCheck(IDC_CAPACITY_4500, true);
  SetCheck(IDC_CAPACITY_1500, false);

  m_replaceFlag = AskOwner(SDM_GETREPLACEFLAG);
  if (m_replaceFlag) {
    EnableItem(IDC_CAPACITY_ONLY, false);
  } else {
    SetCheck(IDC_CAPACITY_ONLY, false);
    m_capacityOnly = 0;
    EnableCapacityChoice(false);
  }
  return TRUE;
}

void CTonerReplaceDlg::EnableCapacityChoice(bool enable) {
  EnableItem(IDC_CAPACITY_1500, enable);
  EnableItem(IDC_CAPACITY_4500, enable);
}

bool CTonerReplaceDlg::OnCommand(int id, int code) {
  if (id != IDC_CAPACITY_ONLY || code != BN_CLICKED) return false;
  m_capacityOnly = IsChecked(IDC_CAPACITY_ONLY) ? 1 : 0;
  EnableCapacityChoice(m_capacityOnly == 1);
  return true;
}

void CTonerReplaceDlg::OnOK() {
  const int selected = m_colourList.GetCurSel();
  // The list always has a selection; should it lose it, keep the colour.
  if (selected >= 0) m_colour = static_cast<int32_t>(m_colourList.GetItemData(selected));
  m_capacity = IsChecked(IDC_CAPACITY_1500) ? CAPACITY_STANDARD : CAPACITY_HIGH;
  m_replaceFlag = AskOwner(SDM_GETREPLACEFLAG);
  if (m_replaceFlag) {
    SendToOwner(SDM_STARTTONERREPLACE, m_colour);
  } else {
    m_capacityOnly = IsChecked(IDC_CAPACITY_ONLY) ? 1 : 0;
    if (m_capacityOnly == 0) SendToOwner(SDM_STARTTONERREPLACE, m_colour);
  }
  EndDialog(IDOK);
}

CReplaceWaitDlg::CReplaceWaitDlg(UINT pollPeriodMs)
    : CModalDialog(IDD_REPLACE_WAIT), m_pollPeriodMs(pollPeriodMs) {}

BOOL CReplaceWaitDlg::OnInitDialog() {
  CModalDialog::OnInitDialog();
  m_timer = SetTimer(m_hWnd, kPollTimer, m_pollPeriodMs, nullptr);
  m_tickCount = 0;
  m_readySeen = 0;
  SetWindowTextA(m_hWnd, LoadResString(IDS_WAIT_TITLE));
  ShowPleaseWait();
  return TRUE;
}

void CReplaceWaitDlg::ShowPleaseWait() {
  char text[1100];
  snprintf(text, sizeof text, "\n%s\n", LoadResString(IDS_PLEASE_WAIT));
  SetItemText(IDC_WAIT_TEXT, text);
}

bool CReplaceWaitDlg::OnTimer(UINT_PTR id) {
  if (id == kPollTimer) OnPoll();
  // Any timer message restarts the poll period; the message then gets its
  // default processing.
  if (m_hWnd) m_timer = SetTimer(m_hWnd, kPollTimer, m_pollPeriodMs, nullptr);
  return false;
}

void CReplaceWaitDlg::OnPoll() {
  const int32_t status = AskOwner(SDM_GETSTATUS);
  switch (m_state) {
    case 0: {
      const int32_t current = AskOwner(SDM_GETCURRENTTONER);
      if (current != m_colour && m_colour != 0) {
        ShowPleaseWait();
      } else if (status == STATUS_CARTRIDGE_PRESENTED) {
        m_state = 1;
        m_readySeen = 1;
      }
      // Busy, warming and open-cover ticks do not count towards giving up;
      // counting goes on on the tick that moved to state 1.
      if (status != STATUS_BUSY && status != STATUS_WARMING && status != STATUS_COVER_OPEN) {
        if (++m_tickCount > kMaxWaitTicks) EndDialog(IDOK);
      }
      break;
    }
    case 1: {
      const int32_t current = AskOwner(SDM_GETCURRENTTONER);
      char text[1100] = "";
      const char* name = TonerColourName(m_colour);
      if (*name) snprintf(text, sizeof text, "\n%s\n%s\n", LoadResString(IDS_REPLACE_PROMPT), name);
      SetItemText(IDC_WAIT_TEXT, text);
      if ((status != STATUS_BUSY && current != m_colour) ||
          (status == STATUS_READY && m_readySeen == 1))
        m_state = 2;
      break;
    }
    case 2:
      if (status == STATUS_COVER_OPEN || status == STATUS_READY)
        m_state = 3;
      else
        ShowPleaseWait();
      break;
    case 3:
      if (status == STATUS_COVER_OPEN)
        ShowPleaseWait();
      else
        EndDialog(IDOK);
      break;
    default:
      break;
  }
}

void RunTonerReplacement(HWND host, UINT pollPeriodMs) {
  CTonerReplaceDlg replace;
  replace.m_colour = TONER_CYAN;
  if (replace.DoModal() != IDOK) return;

  int32_t flag = 0;
  SendMessageA(host, SDM_GETREPLACEFLAG, 0, reinterpret_cast<LPARAM>(&flag));
  const bool waitForPrinter = flag != 0 || replace.m_capacityOnly != 1;
  if (waitForPrinter) {
    CReplaceWaitDlg wait(pollPeriodMs);
    wait.m_colour = replace.m_colour;
    wait.m_state = 0;
    wait.DoModal();  // its end code is not used
  }
  // The capacity is reported after a replacement the host flags, or alone
  // when the user only re-declares it.
  if (flag != 0 || replace.m_capacityOnly == 1) {
    TonerCapacityRecord record = {replace.m_colour, replace.m_capacity};
    SendMessageA(host, SDM_SETTONERCAPACITY, reinterpret_cast<WPARAM>(&record), 0);
  }
}
