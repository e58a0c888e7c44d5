// The message dialog (IDD_MESSAGE): one text, one button, centred on the
// screen, no owner window.
#pragma once

#include <windows.h>

// Top-left corner that centres a window of `width` x `height` on a screen of
// `screenWidth` x `screenHeight`: x is moved 4 pixels right and snapped down
// to a multiple of 8, and neither coordinate goes below 0.
POINT CenteredOrigin(int screenWidth, int screenHeight, int width, int height);

class CMessageDlg
{
public:
    CMessageDlg(const char* text, const char* caption);
    // Runs the dialog modally; returns 1 for the button, 0 when the window
    // was closed, -1 when it could not be created.
    INT_PTR DoModal();

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnInitDialog();
    INT_PTR OnCommand(WORD id);
    INT_PTR OnClose();
    void CenterOnScreen();

    HWND m_hwnd;
    const char* m_text;
    const char* m_caption;
};
