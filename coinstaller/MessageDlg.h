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
    virtual ~CMessageDlg() {}
    // Runs the dialog modally; returns 1 for the button, 0 when the window
    // was closed, -1 when it could not be created or a handler threw (the
    // dialog procedure ends the dialog then: no exception leaves it).
    INT_PTR DoModal();

protected:
    // Handlers; virtual so that a test can make one throw.
    virtual INT_PTR OnInitDialog();
    virtual INT_PTR OnCommand(WORD id);
    virtual INT_PTR OnClose();

    HWND m_hwnd;

private:
    CMessageDlg(const CMessageDlg&) = delete;
    CMessageDlg& operator=(const CMessageDlg&) = delete;
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam);
    void CenterOnScreen();

    const char* m_text;
    const char* m_caption;
};
