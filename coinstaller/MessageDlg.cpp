#include "coinstaller/MessageDlg.h"

#include "coinstaller/Module.h"
#include "coinstaller/ResourceString.h"
#include "coinstaller/resource.h"

POINT CenteredOrigin(int screenWidth, int screenHeight, int width, int height)
{
    POINT origin;
    origin.x = (screenWidth - width) / 2 + 4;
    origin.x = origin.x < 0 ? 0 : origin.x & ~7;
    origin.y = (screenHeight - height) / 2;
    if (origin.y < 0)
        origin.y = 0;
    return origin;
}

CMessageDlg::CMessageDlg(const char* text, const char* caption)
    : m_hwnd(NULL), m_text(text), m_caption(caption)
{
}

INT_PTR CMessageDlg::DoModal()
{
    return DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(IDD_MESSAGE), NULL, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CMessageDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CMessageDlg*>(lParam)->m_hwnd = hwnd;
    }
    CMessageDlg* dialog = reinterpret_cast<CMessageDlg*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!dialog)
        return FALSE;
    // No exception may leave here (NoThrow.h): a handler that throws ends the
    // dialog as one that could not run.
    try
    {
        return dialog->Dispatch(message, wParam);
    }
    catch (...)
    {
        EndDialog(hwnd, -1);
        return TRUE;
    }
}

INT_PTR CMessageDlg::Dispatch(UINT message, WPARAM wParam)
{
    switch (message)
    {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam));
    case WM_CLOSE:
        return OnClose();
    default:
        return FALSE;
    }
}

INT_PTR CMessageDlg::OnInitDialog()
{
    char buttonText[MAX_PATH];
    LoadResourceString(IDS_OK, "OK", buttonText, sizeof buttonText);
    SetDlgItemTextA(m_hwnd, IDOK, buttonText);
    SetWindowTextA(m_hwnd, m_caption);
    SetDlgItemTextA(m_hwnd, IDC_MESSAGE, m_text);
    CenterOnScreen();
    return TRUE;  // focus goes to the default button
}

INT_PTR CMessageDlg::OnCommand(WORD id)
{
    // Only the button ends the dialog; Escape (IDCANCEL) and anything else
    // are ignored so that the user has to acknowledge the message.
    if (id != IDOK)
        return FALSE;
    EndDialog(m_hwnd, 1);
    return TRUE;
}

INT_PTR CMessageDlg::OnClose()
{
    EndDialog(m_hwnd, 0);
    return TRUE;
}

void CMessageDlg::CenterOnScreen()
{
    RECT rect;
    if (!GetWindowRect(m_hwnd, &rect))
        return;
    POINT origin = CenteredOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                  rect.right - rect.left, rect.bottom - rect.top);
    SetWindowPos(m_hwnd, NULL, origin.x, origin.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}
