#include "uninstall/app/Ui.h"

#include <cstring>

#include "uninstall/app/StringTable.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/profile/Settings.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/res/resource.h"

namespace vq {

namespace {
// The font a dialog got from FontOverride lives as a window property until
// the dialog is destroyed.
const char kFontProperty[] = "VQ.FontOverride";

const int kFontControls[] = {1,    2,    3,    4,    5,    6,    7,    8,    9,    10,   11,
                             2009, 2008, 2011, 2012, 2006, 2013, 2015, 2016, 2017, 2018, 2019,
                             2020, 2021, 2022, 2023, 2047, 2046, 2005, 65535, 2044, 2004};

bool LanguageWantsFont(const CSettings& s) {
  return s.language[0] != '\0' && std::strcmp(s.language, "NOT") != 0;
}
}  // namespace

void FontOverride(HWND dialog, UINT message) {
  const CSettings& s = ProcessSettings();
  if (!LanguageWantsFont(s)) return;
  if (message == WM_INITDIALOG) {
    HFONT font = CreateFontA(s.fontHeight, s.fontWidth, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             static_cast<BYTE>(s.fontCharSet), 0, 0, 0,
                             static_cast<BYTE>(s.fontPitch | s.fontFamily), s.fontType);
    if (!font) return;
    SetPropA(dialog, kFontProperty, font);
    for (int id : kFontControls) {
      HWND control = GetDlgItem(dialog, id);
      if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
  } else if (message == WM_DESTROY) {
    HFONT font = static_cast<HFONT>(RemovePropA(dialog, kFontProperty));
    if (font) DeleteObject(font);
  }
}

namespace {
// Set once at start-up from the command line: how a quiet run answers.
struct QuietAnswers {
  bool quiet = false;
  bool answerYes = false;
};
QuietAnswers g_quiet;

const char* AnswerName(int answer) {
  switch (answer) {
    case IDYES: return "Yes";
    case IDNO: return "No";
    case IDCANCEL: return "Cancel";
    default: return "OK";
  }
}
}  // namespace

void SetQuietAnswers(bool quiet, bool answerYes) { g_quiet = QuietAnswers{quiet, answerYes}; }

int ShowMessage(const char* text, const char* caption, UINT style) {
  int answer;
  if (g_quiet.quiet) {
    const bool question = (style & MB_TYPEMASK) == MB_YESNO;
    answer = question ? (g_quiet.answerYes ? IDYES : IDNO) : IDOK;
  } else {
    const char* language = ProcessSettings().language;
    if (std::strcmp(language, "ARA") == 0 || std::strcmp(language, "HEB") == 0)
      style |= MB_RTLREADING;
    answer = MessageBoxA(nullptr, text, caption, style);
  }
  if (CActionLog* log = ProcessActionLog()) log->Message(text ? text : "", AnswerName(answer));
  return answer;
}

int ShowMessageFrom(UINT textId, const std::vector<std::string>& values, UINT style) {
  std::vector<std::string> shown;
  for (const std::string& v : values) shown.push_back(ElideMiddle(v, kMessageValueChars));
  CStringTable strings;
  const std::string text = FillPlaceholders(strings.Load(textId), shown);
  return ShowMessage(text.c_str(), strings.Load(IDS_CAPTION), style);
}

std::string CMessageBoxes::Text(UINT textId) { return CStringTable().Load(textId); }

void ReportNoWindow(DWORD error) {
  ShowMessageFrom(IDS_NOWINDOWCLASS, {std::to_string(error)}, MB_ICONHAND);
}

void CenterWindow(HWND window, HWND over) {
  RECT r, o;
  GetWindowRect(window, &r);
  GetWindowRect(over ? over : GetDesktopWindow(), &o);
  int x = (o.left + o.right) / 2 - (r.right - r.left) / 2;
  int y = (o.top + o.bottom) / 2 - (r.bottom - r.top) / 2;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsAdministrator(const COsVersion& os) {
  if (!os.IsNT()) return true;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_READ, &token)) return false;
  alignas(TOKEN_GROUPS) BYTE buffer[4096];
  DWORD size = 0;
  BOOL read = GetTokenInformation(token, TokenGroups, buffer, sizeof(buffer), &size);
  CloseHandle(token);
  if (!read) return false;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                0, 0, 0, 0, &admins))
    return false;
  const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer);
  bool found = false;
  for (DWORD i = 0; i < groups->GroupCount && !found; ++i)
    found = EqualSid(groups->Groups[i].Sid, admins) != FALSE;
  FreeSid(admins);
  return found;
}

}  // namespace vq
