// Routines every dialog of the tool shares: the dialog-font hook, message
// boxes, centring and the administrator check.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "uninstall/engine/UserMessages.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

// Applies the font of the settings (FontType, FontHeight, ...) to the usual
// controls on WM_INITDIALOG and deletes it on WM_DESTROY; does nothing when
// the Language setting is empty or "NOT".
void FontOverride(HWND dialog, UINT message);

// MessageBoxA without owner; right-to-left reading when Language is "ARA" or "HEB".
// Each message and its answer also goes to the process's action log (switch
// LOG); in a quiet run nothing is shown and the answer is the one nobody gave.
int ShowMessage(const char* text, const char* caption, UINT style);

// ShowMessage of string `textId`, its "%s"/"%lu" placeholders filled with
// `values` in order, under the tool's caption. A value longer than
// kMessageValueChars is shown by its beginning and end, so that the box
// stays narrower than the screen.
constexpr std::size_t kMessageValueChars = 96;
int ShowMessageFrom(UINT textId, const std::vector<std::string>& values, UINT style);

// The removal phases' messages as message boxes (quiet: the answers of
// SetQuietAnswers, into the log) and their texts from the string table.
class CMessageBoxes : public CUserMessages {
 public:
  int Show(UINT textId, const std::vector<std::string>& values, UINT style) override {
    return ShowMessageFrom(textId, values, style);
  }
  std::string Text(UINT textId) override;
};

// Tells why a window of the tool could not be created (`error`: the Win32
// error of the failed creation); the run then ends as a failed start-up.
void ReportNoWindow(DWORD error);

// Whether the run is quiet (switch QUIET): then a question is answered No, or
// Yes when `answerYes` is set (switch FORCERESTART for the restart question),
// and other messages OK.
void SetQuietAnswers(bool quiet, bool answerYes);

// Centres `window` over `over` (the desktop when null); never off the screen's
// top-left, size and Z order unchanged, not activated.
void CenterWindow(HWND window, HWND over);

// True when the process token holds the built-in Administrators group; always
// true outside the Windows NT family.
bool IsAdministrator(const COsVersion& os);

}  // namespace vq
