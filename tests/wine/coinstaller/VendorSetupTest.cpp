// VendorSetup9x and VendorSetup against Wine's spooler and window manager:
// two local printers of a test driver, the test SETUP.EXE as the maker's
// installer holding "InstallerClass", and the message dialogs read and
// closed from the test thread while the export waits on another thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>

#include "tests/wine/coinstaller/TestSupport.h"

namespace
{
const char kDriver[] = "VQ Test Driver";
const char kPrinter[] = "Vintara Teste";
const char kOtherPrinter[] = "Outra Impressora";
const char kProduct[] = "VARDEN QUILLAN vintara 7310K";

// Level-2 information of a printer, copied out.
struct PrinterState
{
    bool found;
    DWORD attributes;
    DWORD priority;
    std::string comment;
    std::string location;
    std::string driver;
    std::string port;
};

PrinterState ReadPrinter(const char* name)
{
    PrinterState state = {};
    HANDLE printer;
    if (!OpenPrinterA(const_cast<char*>(name), &printer, NULL))
        return state;
    BYTE buffer[16384];
    DWORD needed;
    if (GetPrinterA(printer, 2, buffer, sizeof buffer, &needed))
    {
        const PRINTER_INFO_2A* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer);
        state.found = true;
        state.attributes = info->Attributes;
        state.priority = info->Priority;
        state.comment = info->pComment ? info->pComment : "";
        state.location = info->pLocation ? info->pLocation : "";
        state.driver = info->pDriverName ? info->pDriverName : "";
        state.port = info->pPortName ? info->pPortName : "";
    }
    ClosePrinter(printer);
    return state;
}

// Sets the printer's attributes, comment and location as a test wants them.
bool WritePrinter(const char* name, DWORD attributes, const char* comment, const char* location)
{
    PRINTER_DEFAULTSA defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
    HANDLE printer;
    if (!OpenPrinterA(const_cast<char*>(name), &printer, &defaults))
        return false;
    BYTE buffer[16384];
    DWORD needed;
    bool written = false;
    if (GetPrinterA(printer, 2, buffer, sizeof buffer, &needed))
    {
        PRINTER_INFO_2A* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer);
        info->Attributes = attributes;
        info->pComment = const_cast<char*>(comment);
        info->pLocation = const_cast<char*>(location);
        written = SetPrinterA(printer, 2, buffer, 0) != FALSE;
    }
    ClosePrinter(printer);
    return written;
}

bool AddTestPrinter(const char* name)
{
    PRINTER_INFO_2A info = {};
    info.pPrinterName = const_cast<char*>(name);
    info.pPortName = const_cast<char*>("FILE:");
    info.pDriverName = const_cast<char*>(kDriver);
    info.pPrintProcessor = const_cast<char*>("winprint");
    info.pDatatype = const_cast<char*>("RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterA(NULL, 2, reinterpret_cast<BYTE*>(&info));
    if (!printer)
        return false;
    ClosePrinter(printer);
    return true;
}

// VendorSetup9x or VendorSetup on a thread of its own.
class CExportCall : public CBackgroundCall
{
public:
    CExportCall(CQuentic::VendorSetupFn function, const char* printerName)
        : CBackgroundCall([function, printerName]() {
              return static_cast<DWORD>(
                  function(NULL, NULL, const_cast<char*>(printerName), SW_SHOWNORMAL));
          })
    {
    }
    int Result() { return static_cast<int>(CBackgroundCall::Result()); }
};

// Presses the dialog's button the way a click does.
void PressButton(HWND dialog)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

class VendorSetupTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // The spooler only records the driver's files; an empty file serves
        // (not a program: Wine would load it to tell it about new printers).
        char driverFolder[MAX_PATH];
        DWORD needed;
        GetPrinterDriverDirectoryA(NULL, NULL, 1, reinterpret_cast<BYTE*>(driverFolder),
                                   sizeof driverFolder, &needed);
        std::string driverFile = std::string(driverFolder) + "\\vqtestdrv.dll";
        HANDLE file = CreateFileA(driverFile.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);

        DRIVER_INFO_3A driver = {};
        driver.cVersion = 3;
        driver.pName = const_cast<char*>(kDriver);
        driver.pDriverPath = &driverFile[0];
        driver.pDataFile = &driverFile[0];
        driver.pConfigFile = &driverFile[0];
        s_ready = AddPrinterDriverA(NULL, 3, reinterpret_cast<BYTE*>(&driver))
                  && AddTestPrinter(kPrinter) && AddTestPrinter(kOtherPrinter);
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_ready) << "test printers could not be installed";
        ASSERT_TRUE(m_quentic.Loaded());
        ASSERT_TRUE(WritePrinter(kPrinter, PRINTER_ATTRIBUTE_LOCAL, "", ""));
        ASSERT_TRUE(WritePrinter(kOtherPrinter, PRINTER_ATTRIBUTE_LOCAL, "", ""));
        ASSERT_FALSE(CRunningInstaller::Holding());
    }

    static bool s_ready;
    CQuentic m_quentic;
};

bool VendorSetupTest::s_ready = false;

TEST_F(VendorSetupTest, WhileInstallerRunsMarksPrinterAndShowsNothing)
{
    CRunningInstaller installer;
    ASSERT_TRUE(CRunningInstaller::Holding());

    CExportCall call(m_quentic.VendorSetup9x, "VINTARA teste");
    ASSERT_TRUE(call.Finished(20)) << "VendorSetup9x waited for something";
    EXPECT_NE(0, call.Result());
    EXPECT_EQ(NULL, FindWindowA(MAKEINTATOM(32770), kProduct));

    EXPECT_EQ(DWORD(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_QUEUED),
              ReadPrinter(kPrinter).attributes);
    EXPECT_EQ(DWORD(PRINTER_ATTRIBUTE_LOCAL), ReadPrinter(kOtherPrinter).attributes);
}

TEST_F(VendorSetupTest, AlreadyMarkedPrinterIsWrittenBackUnchanged)
{
    const DWORD marked = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_QUEUED | PRINTER_ATTRIBUTE_SHARED;
    ASSERT_TRUE(WritePrinter(kPrinter, marked, "Sala 2", "Recep\xe7\xe3o"));
    const PrinterState before = ReadPrinter(kPrinter);
    ASSERT_EQ(marked, before.attributes);

    CRunningInstaller installer;
    CExportCall call(m_quentic.VendorSetup9x, kPrinter);
    ASSERT_TRUE(call.Finished(20));
    EXPECT_NE(0, call.Result());

    const PrinterState after = ReadPrinter(kPrinter);
    ASSERT_TRUE(after.found);
    EXPECT_EQ(before.attributes, after.attributes);
    EXPECT_EQ(before.priority, after.priority);
    EXPECT_EQ("Sala 2", after.comment);
    EXPECT_EQ("Recep\xe7\xe3o", after.location);
    EXPECT_EQ(before.driver, after.driver);
    EXPECT_EQ(before.port, after.port);
}

TEST_F(VendorSetupTest, UnknownPrinterIsLeftAloneAndReminderStillShown)
{
    CExportCall call(m_quentic.VendorSetup9x, "Nao Existe");
    HWND dialog = WaitForDialog(kProduct, 20000);
    ASSERT_NE(HWND(NULL), dialog);
    PressButton(dialog);
    ASSERT_TRUE(call.Finished(20));
    EXPECT_NE(0, call.Result());
    EXPECT_EQ(DWORD(PRINTER_ATTRIBUTE_LOCAL), ReadPrinter(kPrinter).attributes);
    EXPECT_EQ(DWORD(PRINTER_ATTRIBUTE_LOCAL), ReadPrinter(kOtherPrinter).attributes);
}

TEST_F(VendorSetupTest, ReminderShowsFormattedMessageCentredAndHoldsTheMutex)
{
    CExportCall call(m_quentic.VendorSetup9x, kPrinter);
    HWND dialog = WaitForDialog(kProduct, 20000);
    ASSERT_NE(HWND(NULL), dialog);

    EXPECT_EQ(kProduct, WindowText(dialog));
    EXPECT_EQ("Execute o instalador VARDEN QUILLAN vintara 7310K (setup.exe) \r\n"
              "para instalar a Tela de status.",
              ItemText(dialog, 1001));
    EXPECT_EQ("OK", ItemText(dialog, IDOK));

    // Centred on the 1024 x 768 screen of the test tiers: the window is
    // 366 x 123 pixels, so x is (1024 - 366) / 2 + 4 = 333 snapped down to
    // 328, and y is (768 - 123) / 2 = 322 (rounded down).
    ASSERT_EQ(1024, GetSystemMetrics(SM_CXSCREEN)) << "the positions below are the test tiers' screen's";
    ASSERT_EQ(768, GetSystemMetrics(SM_CYSCREEN));
    RECT rect;
    GetWindowRect(dialog, &rect);
    EXPECT_EQ(328, rect.left);
    EXPECT_EQ(322, rect.top);
    EXPECT_EQ(366, rect.right - rect.left);
    EXPECT_EQ(123, rect.bottom - rect.top);

    // The printer is marked before the message appears.
    EXPECT_EQ(DWORD(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_QUEUED),
              ReadPrinter(kPrinter).attributes);

    // While the message is open, a second call finds the mutex and shows nothing.
    EXPECT_TRUE(CRunningInstaller::Holding());
    {
        CExportCall second(m_quentic.VendorSetup9x, kOtherPrinter);
        ASSERT_TRUE(second.Finished(20)) << "a second reminder was shown";
        EXPECT_NE(0, second.Result());
    }

    // Escape (IDCANCEL) does not end the dialog; only the button or closing
    // does. Sent, so it has been handled when the call returns: an ended
    // dialog is hidden at once (returning takes longer without a window manager).
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindowVisible(dialog));

    PressButton(dialog);
    ASSERT_TRUE(call.Finished(20));
    EXPECT_NE(0, call.Result());
    EXPECT_FALSE(CRunningInstaller::Holding()) << "the mutex outlived the reminder";
}

TEST_F(VendorSetupTest, VendorSetupShowsInstallerFileThenArgumentsAndReturnsSecondEndCode)
{
    struct Case
    {
        const char* library;
        const char* arguments;
        bool closeSecond;
        int result;
    };
    const Case cases[] = {
        {"QUENTIC02.dll", " -u", false, 1},
        {"QUENTIC02.dll", " -u", true, 0},
        {"QUENTIC02_no102.dll", "i", false, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.library) + (c.closeSecond ? " closed" : " button"));
        CQuentic quentic(c.library);
        ASSERT_TRUE(quentic.Loaded());
        CExportCall call(quentic.VendorSetup, NULL);

        HWND first = WaitForDialog("1", 20000);
        ASSERT_NE(HWND(NULL), first);
        EXPECT_EQ("SETUP.EXE", ItemText(first, 1001));
        EXPECT_EQ("OK", ItemText(first, IDOK));
        PressButton(first);

        HWND second = WaitForDialog("2", 20000);
        ASSERT_NE(HWND(NULL), second);
        EXPECT_EQ(c.arguments, ItemText(second, 1001));
        if (c.closeSecond)
            PostMessageA(second, WM_CLOSE, 0, 0);
        else
            PressButton(second);

        ASSERT_TRUE(call.Finished(20));
        EXPECT_EQ(c.result, call.Result());
    }
}
}
