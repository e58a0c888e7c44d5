#include "statusdlg/SettingDlgs.h"

#include <string.h>

#include <vector>

#include "statusdlg/ResourceText.h"
#include "statusdlg/resource.h"

namespace {

const int kDensityMin = -5;
const int kDensityMax = 5;
const int kMetric = 0;

class CTokenHandle {
 public:
  CTokenHandle() = default;
  ~CTokenHandle() {
    if (m_token) CloseHandle(m_token);
  }
  CTokenHandle(const CTokenHandle&) = delete;
  CTokenHandle& operator=(const CTokenHandle&) = delete;
  HANDLE* Address() { return &m_token; }
  HANDLE Get() const { return m_token; }

 private:
  HANDLE m_token = nullptr;
};

class CSidHandle {
 public:
  CSidHandle() = default;
  ~CSidHandle() {
    if (m_sid) FreeSid(m_sid);
  }
  CSidHandle(const CSidHandle&) = delete;
  CSidHandle& operator=(const CSidHandle&) = delete;
  PSID* Address() { return &m_sid; }
  PSID Get() const { return m_sid; }

 private:
  PSID m_sid = nullptr;
};

bool OpenCallerToken(CTokenHandle& token) {
  if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Address())) return true;
  if (GetLastError() != ERROR_NO_TOKEN) return false;
  return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Address()) != FALSE;
}

DWORD SystemVersion() { return GetVersion(); }

bool CallerGroups(std::vector<BYTE>& groups) {
  CTokenHandle token;
  if (!OpenCallerToken(token)) return false;
  // The size first: a query without a buffer must fail for want of one.
  DWORD size = 0;
  if (GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &size) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return false;
  groups.resize(size);
  return GetTokenInformation(token.Get(), TokenGroups, groups.data(), size, &size) != FALSE;
}

}  // namespace

const AdministratorQueries& SystemAdministratorQueries() {
  static const AdministratorQueries queries = {&SystemVersion, &CallerGroups};
  return queries;
}

bool IsAdministrator(const AdministratorQueries& queries) {
  // Windows 9x has no accounts to check: everyone may change everything.
  if (queries.version() & 0x80000000) return true;

  std::vector<BYTE> buffer;
  if (!queries.callerGroups(buffer) || buffer.size() < sizeof(TOKEN_GROUPS)) return false;
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  CSidHandle administrators;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, administrators.Address()))
    return false;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if (EqualSid(groups->Groups[i].Sid, administrators.Get())) return true;
  }
  return false;
}

bool IsAdministrator() { return IsAdministrator(SystemAdministratorQueries()); }

bool EnergySaverOffOffered() {
  const int country = static_cast<int>(GetProfileIntA("Intl", "iCountry", 0));
  const int measure = static_cast<int>(GetProfileIntA("Intl", "iMeasure", 1));
  return !(country != 2 && measure == kMetric);
}

CPrinterSettingsDlg::CPrinterSettingsDlg(UINT templateId, AdministratorCheck isAdministrator)
    : CModalDialog(templateId), m_isAdministrator(isAdministrator) {}

void CPrinterSettingsDlg::ReadAutoReplace() {
  SetItemText(IDC_AUTO_REPLACE, LoadResString(IDS_AUTO_REPLACE));
  SetCheck(IDC_AUTO_REPLACE, true);
  m_autoReplaceAnswered = AskOwner(SDM_GETAUTOREPLACE, m_autoReplace);
  SetCheck(IDC_AUTO_REPLACE, m_autoReplace != 0);
}

void CPrinterSettingsDlg::ReadRemainingSettings() {
  SetItemText(IDC_AUTO_CONTINUE, LoadResString(IDS_AUTO_CONTINUE));
  SetCheck(IDC_AUTO_CONTINUE, true);
  m_autoContinueAnswered = AskOwner(SDM_GETAUTOCONTINUE, m_autoContinue);
  SetCheck(IDC_AUTO_CONTINUE, m_autoContinue != 0);

  if (!m_isAdministrator()) {
    EnableItem(IDC_AUTO_CONTINUE, false);
    EnableItem(IDC_AUTO_REPLACE, false);
  }

  SetItemText(IDC_SAVER_GROUP, LoadResString(IDS_ENERGY_SAVER));
  FillEnergySaverList();
  m_energySaverAnswered = AskOwner(SDM_GETENERGYSAVER, m_energySaverRead);
  if (m_energySaverAnswered)
    m_energySaver.SelectByData(m_energySaverRead);
  else
    m_energySaver.SetCurSel(-1);

  SetItemText(IDOK, LoadResString(IDS_OK));
  SetItemText(IDCANCEL, LoadResString(IDS_CANCEL));
}

void CPrinterSettingsDlg::FillEnergySaverList() {
  m_energySaver.Attach(Item(IDC_SAVER_LIST));
  if (EnergySaverOffOffered()) m_energySaver.AddString(LoadResString(IDS_SAVER_OFF), 0);
  m_energySaver.AddString(LoadResString(IDS_SAVER_5), 5);
  m_energySaver.AddString(LoadResString(IDS_SAVER_15), 15);
  m_energySaver.AddString(LoadResString(IDS_SAVER_30), 30);
  m_energySaver.AddString(LoadResString(IDS_SAVER_60), 60);
}

void CPrinterSettingsDlg::SendCommonSettings() {
  // Unanswered values start unchecked and without a selection, so "set by
  // the user" is a check or a selection.
  const bool autoContinue = IsChecked(IDC_AUTO_CONTINUE);
  if (m_autoContinueAnswered || autoContinue) SendToOwner(SDM_SETAUTOCONTINUE, autoContinue ? 1 : 0);
  const bool autoReplace = IsChecked(IDC_AUTO_REPLACE);
  if (m_autoReplaceAnswered || autoReplace) SendToOwner(SDM_SETAUTOREPLACE, autoReplace ? 1 : 0);
  const int selected = m_energySaver.GetCurSel();
  m_energySaverChosen = selected >= 0 ? static_cast<int32_t>(m_energySaver.GetItemData(selected)) : -1;
  if (m_energySaverAnswered || selected >= 0)
    SendToOwner(SDM_SETENERGYSAVER, static_cast<WPARAM>(static_cast<INT_PTR>(m_energySaverChosen)));
}

void CPrinterSettingsDlg::OnOK() {
  SendCommonSettings();
  EndDialog(IDOK);
}

CModeSettingDlg::CModeSettingDlg(AdministratorCheck isAdministrator)
    : CPrinterSettingsDlg(IDD_MODE_SETTING, isAdministrator) {
  memset(&m_font, 0, sizeof m_font);
}

BOOL CModeSettingDlg::OnInitDialog() {
  CModalDialog::OnInitDialog();
  ApplyFont(m_font);
  ReadAutoReplace();
  ReadRemainingSettings();
  return TRUE;
}

CVoltageBiasDlg::CVoltageBiasDlg(AdministratorCheck isAdministrator)
    : CPrinterSettingsDlg(IDD_VOLTAGE_BIAS, isAdministrator) {}

BOOL CVoltageBiasDlg::OnInitDialog() {
  CModalDialog::OnInitDialog();
  SetItemText(IDC_DUPLEX_GROUP, LoadResString(IDS_DUPLEX_DENSITY));

  m_density.Attach(Item(IDC_DUPLEX_SLIDER));
  m_density.SetRange(kDensityMin, kDensityMax);
  m_density.SetTic(0);
  m_density.SetTicFreq(1);
  // A host that does not answer (or no owner) leaves the density the caller
  // gave, which is then what OK sends back.
  AskOwner(SDM_GETDUPLEXDENSITY, m_duplexDensity);
  m_density.SetPos(m_duplexDensity);

  ReadAutoReplace();
  m_replaceFlag = AskOwner(SDM_GETREPLACEFLAG);
  if (m_replaceFlag) EnableItem(IDC_AUTO_REPLACE, false);
  ReadRemainingSettings();
  return TRUE;
}

void CVoltageBiasDlg::OnOK() {
  SendToOwner(SDM_SETDUPLEXDENSITY, static_cast<WPARAM>(static_cast<INT_PTR>(m_density.GetPos())));
  CPrinterSettingsDlg::OnOK();
}
