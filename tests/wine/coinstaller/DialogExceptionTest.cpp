// No exception leaves the message dialog's procedure: on the 32-bit build an
// exception that reached the system's frames of the modal loop would end the
// process (the device installer's or the printer set-up's) at once.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>

#include "coinstaller/MessageDlg.h"

namespace
{
class CThrowingMessageDlg : public CMessageDlg
{
public:
    CThrowingMessageDlg() : CMessageDlg("text", "caption") {}

protected:
    INT_PTR OnInitDialog() override
    {
        CMessageDlg::OnInitDialog();
        PostMessageA(m_hwnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    INT_PTR OnCommand(WORD) override { throw std::runtime_error("thrown inside the message dialog"); }
};

TEST(MessageDialogExceptionTest, HandlerThatThrowsEndsTheDialogAsOneThatCouldNotRun)
{
    CThrowingMessageDlg dialog;
    EXPECT_EQ(-1, dialog.DoModal());
}
}
