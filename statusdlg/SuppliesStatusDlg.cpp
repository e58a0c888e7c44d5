#include "statusdlg/SuppliesStatusDlg.h"

#include <shellapi.h>
#include <string.h>

#include "statusdlg/ResourceText.h"
#include "statusdlg/resource.h"

namespace {
const int kThresholdMax = 50;
// Unfilled part of every bar, and the end colour that sets the strip count.
const COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);
}  // namespace

const char* CapacityText(int32_t capacity) {
  switch (capacity) {
    case CAPACITY_STANDARD:
      return LoadResString(IDS_CAPACITY_STANDARD);
    case CAPACITY_HIGH:
      return LoadResString(IDS_CAPACITY_HIGH);
    default:
      return LoadResString(IDS_CAPACITY_UNKNOWN);
  }
}

CSuppliesStatusDlg::CSuppliesStatusDlg() : CModalDialog(IDD_SUPPLIES_STATUS) {
  memset(&m_font, 0, sizeof m_font);
}

void CSuppliesStatusDlg::SetFromHost(const SuppliesStatusRecord& status, const LOGFONTA* font) {
  m_blackLevel = status.blackLevel;
  m_cyanLevel = status.cyanLevel;
  m_magentaLevel = status.magentaLevel;
  m_yellowLevel = status.yellowLevel;
  m_drumLevel = status.drumLevel;
  m_threshold = status.notifyThreshold;
  m_blackCapacity = CapacityText(status.blackCapacity);
  m_cyanCapacity = CapacityText(status.cyanCapacity);
  m_magentaCapacity = CapacityText(status.magentaCapacity);
  m_yellowCapacity = CapacityText(status.yellowCapacity);
  if (font) m_font = *font;
}

void CSuppliesStatusDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, IDC_THRESHOLD, m_threshold);
  DDX_Text(dx, IDC_BLACK_CAPACITY, m_blackCapacity);
  DDX_Text(dx, IDC_CYAN_CAPACITY, m_cyanCapacity);
  DDX_Text(dx, IDC_MAGENTA_CAPACITY, m_magentaCapacity);
  DDX_Text(dx, IDC_YELLOW_CAPACITY, m_yellowCapacity);
}

BOOL CSuppliesStatusDlg::OnInitDialog() {
  CModalDialog::OnInitDialog();
  ApplyFont(m_font);
  UpdateData(true);

  SetUpTonerBar(m_blackBar, IDC_BLACK_BAR, m_blackLevel, RGB(0, 0, 0));
  SetUpTonerBar(m_cyanBar, IDC_CYAN_BAR, m_cyanLevel, RGB(0, 0xFF, 0xFF));
  SetUpTonerBar(m_magentaBar, IDC_MAGENTA_BAR, m_magentaLevel, RGB(0xFF, 0, 0xFF));
  SetUpTonerBar(m_yellowBar, IDC_YELLOW_BAR, m_yellowLevel, RGB(0xFF, 0xFF, 0));
  SetUpBar(m_drumBar, IDC_DRUM_BAR, RGB(0, 0xFF, 0));
  m_drumBar.SetPos(m_drumLevel);

  m_thresholdSpin.Attach(Item(IDC_THRESHOLD_SPIN));
  m_thresholdSpin.SetRange(0, kThresholdMax);
  m_thresholdSpin.SetPos(static_cast<short>(LOWORD(m_threshold)));
  return TRUE;
}

void CSuppliesStatusDlg::SetUpBar(CLevelBar& bar, int id, COLORREF fill) {
  bar.SubclassDlgItem(id, m_hWnd);
  bar.SetRange(0, 100);
  bar.m_fillColour = fill;
  bar.m_endColour = kSilver;
  bar.m_emptyColour = kSilver;
  bar.m_font = BarFont();
}

LOGFONTA CSuppliesStatusDlg::BarFont() const {
  // A block of zeros keeps the template's font for the dialog; the bars then
  // use that font too, so that the non-genuine text fits the bar as the other
  // texts fit the dialog.
  if (m_font.lfHeight != 0 || m_font.lfWidth != 0) return m_font;
  LOGFONTA font = m_font;
  HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
  if (dialogFont) GetObjectA(dialogFont, sizeof font, &font);
  return font;
}

void CSuppliesStatusDlg::SetUpTonerBar(CLevelBar& bar, int id, int32_t level, COLORREF fill) {
  SetUpBar(bar, id, fill);
  if (level & LEVEL_NOT_GENUINE) {
    bar.SetPos(0);
    bar.m_genuine = 0;
  } else {
    bar.SetPos(level & 0x7F);
  }
}

bool CSuppliesStatusDlg::OnCommand(int id, int code) {
  if (id == IDC_THRESHOLD && code == EN_KILLFOCUS) {
    OnThresholdKillFocus();
    return true;
  }
  if (id == IDC_ORDER && code == BN_CLICKED) {
    OnOrder();
    return true;
  }
  return false;
}

bool CSuppliesStatusDlg::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != IDC_THRESHOLD_SPIN || header->code != UDN_DELTAPOS) return false;
  // The edit is not the up-down control's buddy: the dialog keeps it in step
  // and clamps the threshold before the control moves.
  const NMUPDOWN* change = reinterpret_cast<NMUPDOWN*>(header);
  UpdateData(true);
  m_threshold = change->iPos + change->iDelta;
  if (m_threshold < 0) m_threshold = 0;
  if (m_threshold > kThresholdMax) m_threshold = kThresholdMax;
  UpdateData(false);
  result = 0;  // let the control apply the change
  return true;
}

void CSuppliesStatusDlg::OnThresholdKillFocus() {
  UpdateData(true);
  // Warns only: an out-of-range value stays and is returned.
  if (m_threshold < 0 || m_threshold > kThresholdMax)
    MessageBoxA(m_hWnd, "Please enter the integer between 0 and 50", "Supplies Status", MB_OK);
  UpdateData(false);
}

void CSuppliesStatusDlg::OnOrder() {
  // A failure to open the address is not reported; the dialog stays open.
  ShellExecuteA(m_hWnd, "open", LoadResString(IDS_ORDER_ADDRESS), nullptr, nullptr, SW_SHOWNORMAL);
}
