// CoInstallerEntry against Wine's real SetupAPI: a printer driver INF in a
// folder of its own, device information elements whose selected driver comes
// from it or from its copy in the system's INF folder, and the test SETUP.EXE
// beside the INF. Failures SetupAPI cannot be made to produce come from
// stand-ins the library finds instead of the real functions.
#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>

#include <fstream>
#include <string>

#include "tests/wine/coinstaller/TestSupport.h"

namespace
{
// The printer device class.
const GUID kPrinterClass = {0x4d36e979, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const char kHardwareId[] = "VQ_VINTARA_7310K";

const char kInf[] =
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "Class=Printer\r\n"
    "ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\n"
    "Provider=%VQ%\r\n"
    "\r\n"
    "[Manufacturer]\r\n"
    "%VQ%=VQ,NTx86,NTamd64\r\n"
    "\r\n"
    "[VQ]\r\n"
    "\"VARDEN QUILLAN vintara 7310K\"=VQ7310K,VQ_VINTARA_7310K\r\n"
    "\r\n"
    "[VQ.NTx86]\r\n"
    "\"VARDEN QUILLAN vintara 7310K\"=VQ7310K,VQ_VINTARA_7310K\r\n"
    "\r\n"
    "[VQ.NTamd64]\r\n"
    "\"VARDEN QUILLAN vintara 7310K\"=VQ7310K,VQ_VINTARA_7310K\r\n"
    "\r\n"
    "[VQ7310K]\r\n"
    "CopyFiles=@QUENTIC02.dll\r\n"
    "\r\n"
    "[Strings]\r\n"
    "VQ=\"VARDEN QUILLAN\"\r\n";

const char kProduct[] = "VARDEN QUILLAN vintara 7310K";
const char kReminder[] =
    "Execute o instalador VARDEN QUILLAN vintara 7310K (setup.exe) \r\n"
    "para instalar a Tela de status.";

std::string Lower(std::string text)
{
    CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// The system's INF folder, where Windows 2000 and XP keep their INF copies.
std::string SystemInfFolder()
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\inf\\";
}

// A stand-in for SetupDiGetDriverInfoDetailA: fails with g_detailError when
// it is set, otherwise names g_detailInf as the driver's INF.
DWORD g_detailError = 0;
std::string g_detailInf;

BOOL WINAPI StandInDriverDetail(HDEVINFO, PSP_DEVINFO_DATA, PSP_DRVINFO_DATA_A,
                                PSP_DRVINFO_DETAIL_DATA_A detail, DWORD, PDWORD)
{
    if (g_detailError)
    {
        SetLastError(g_detailError);
        return FALSE;
    }
    lstrcpynA(detail->InfFileName, g_detailInf.c_str(), MAX_PATH);
    return TRUE;
}

COINSTALLER_CONTEXT_DATA Context(BOOL postProcessing, DWORD installResult)
{
    COINSTALLER_CONTEXT_DATA context = {};
    context.PostProcessing = postProcessing;
    context.InstallResult = installResult;
    return context;
}

// CoInstallerEntry after a successful installation, on a thread of its own:
// a reminder it shows is modal.
class CPostInstallCall : public CBackgroundCall
{
public:
    CPostInstallCall(CQuentic& quentic, HDEVINFO set, SP_DEVINFO_DATA* element)
        : CBackgroundCall([&quentic, set, element]() {
              COINSTALLER_CONTEXT_DATA after = Context(TRUE, NO_ERROR);
              return quentic.CoInstallerEntry(DIF_INSTALLDEVICE, set, element, &after);
          })
    {
    }
};

// The call reports the installation as successful and shows no reminder.
void ExpectSuccessWithoutReminder(CPostInstallCall& call)
{
    ASSERT_TRUE(call.Finished(20)) << "the co-installer waits for something (a reminder?)";
    EXPECT_EQ(DWORD(NO_ERROR), call.Result());
}

// The call shows the reminder to run the installer and, once it is
// acknowledged, reports the installation as successful.
void ExpectSuccessWithReminder(CPostInstallCall& call)
{
    HWND reminder = WaitForDialog(kProduct, 10000);
    ASSERT_NE(HWND(NULL), reminder) << "no reminder to run the installer";
    EXPECT_EQ(kReminder, ItemText(reminder, 1001));
    PostMessageA(reminder, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(reminder, IDOK)));
    ASSERT_TRUE(call.Finished(20));
    EXPECT_EQ(DWORD(NO_ERROR), call.Result());
}

// A driver disk folder (with a blank in its name, as on real media) holding
// the INF and the test installer, a copy of the INF in the system's INF
// folder with a stray installer beside it, and a device information set with
// an element whose driver is selected from the INF, one whose driver is
// selected from the copy and one without a driver.
class CoInstallerEntryTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        s_folder = std::string(temp) + "VQ Driver Disk\\";
        RemoveFolder(s_folder);
        CreateDirectoryA(s_folder.c_str(), NULL);
        s_infPath = s_folder + "PRINTER.INF";
        std::ofstream(s_infPath.c_str(), std::ios::binary) << kInf;
        const std::string setup = TestFolder() + "SETUP.exe";
        CopyFileA(setup.c_str(), (s_folder + "SETUP.EXE").c_str(), FALSE);
        s_copyPath = SystemInfFolder() + "oem42.inf";
        CopyFileA(s_infPath.c_str(), s_copyPath.c_str(), FALSE);
        CopyFileA(setup.c_str(), (SystemInfFolder() + "SETUP.EXE").c_str(), FALSE);

        s_set = SetupDiCreateDeviceInfoList(&kPrinterClass, NULL);
        s_ready = s_set != INVALID_HANDLE_VALUE && CreateElement(s_withDriver, s_infPath)
                  && CreateElement(s_fromCopy, s_copyPath) && CreateElement(s_withoutDriver, "");
    }

    static void TearDownTestSuite()
    {
        if (s_set != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(s_set);
        s_set = INVALID_HANDLE_VALUE;
        RemoveFolder(s_folder);
        DeleteFileA(s_copyPath.c_str());
        DeleteFileA((SystemInfFolder() + "SETUP.EXE").c_str());
        DeleteFileA(SetupRecordPath(SystemInfFolder()).c_str());
    }

    // An element whose driver is selected from `inf`; none when it is empty.
    static bool CreateElement(SP_DEVINFO_DATA& element, const std::string& inf)
    {
        element.cbSize = sizeof element;
        if (!SetupDiCreateDeviceInfoA(s_set, "PRINTER", &kPrinterClass, NULL, NULL,
                                      DICD_GENERATE_ID, &element))
            return false;
        if (inf.empty())
            return true;
        const char hardwareIds[sizeof kHardwareId + 1] = "VQ_VINTARA_7310K";  // double zero
        return SetInstallParams(element, inf, DI_ENUMSINGLEINF, 0)
               && SetupDiSetDeviceRegistryPropertyA(s_set, &element, SPDRP_HARDWAREID,
                                                    reinterpret_cast<const BYTE*>(hardwareIds),
                                                    sizeof hardwareIds)
               && SetupDiBuildDriverInfoList(s_set, &element, SPDIT_COMPATDRIVER)
               && SetupDiSelectBestCompatDrv(s_set, &element);
    }

    // Sets the element's DriverPath and the flags `set`, clears the flags `clear`.
    static bool SetInstallParams(SP_DEVINFO_DATA& element, const std::string& driverPath,
                                 DWORD set, DWORD clear)
    {
        SP_DEVINSTALL_PARAMS_A params;
        params.cbSize = sizeof params;
        if (!SetupDiGetDeviceInstallParamsA(s_set, &element, &params))
            return false;
        params.Flags = (params.Flags | set) & ~clear;
        lstrcpynA(params.DriverPath, driverPath.c_str(), sizeof params.DriverPath);
        return SetupDiSetDeviceInstallParamsA(s_set, &element, &params) != FALSE;
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_ready) << "device information set could not be built";
        ClearLaunches();
        ClearFakeLookups();
        g_detailError = 0;
        g_detailInf.clear();
        DeleteFileA(SetupRecordPath(s_folder).c_str());
        DeleteFileA(SetupRecordPath(SystemInfFolder()).c_str());
        // An installer started by an earlier test holds "InstallerClass"
        // until it ends, and would keep the reminder away.
        for (int i = 0; i < 200 && CRunningInstaller::Holding(); ++i)
            Sleep(50);
    }

    // Checks that the library started the test installer from the driver
    // disk folder with `arguments`, and that the installer really ran there.
    static void ExpectInstallerStarted(const char* arguments, const char* argumentSeen)
    {
        ASSERT_EQ(1u, RecordedLaunches().size());
        const ShellLaunch& launch = RecordedLaunches()[0];
        EXPECT_EQ("open", launch.verb);
        EXPECT_EQ(Lower(s_folder + "SETUP.EXE"), Lower(launch.file));
        EXPECT_EQ(arguments, launch.parameters);
        EXPECT_EQ(Lower(s_folder), Lower(launch.directory));  // trailing backslash kept
        EXPECT_EQ(SW_SHOWNORMAL, launch.show);

        SetupRecord record;
        ASSERT_TRUE(WaitForSetupRecord(s_folder, record, 20000)) << "SETUP.EXE did not run";
        EXPECT_EQ(Lower(s_folder.substr(0, s_folder.size() - 1)), Lower(record.workingFolder));
        ASSERT_EQ(1u, record.arguments.size());
        EXPECT_EQ(argumentSeen, record.arguments[0]);
    }

    // No installer ran, neither from the driver disk nor from the INF copy's folder.
    static void ExpectNoInstallerRan()
    {
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(SetupRecordPath(s_folder).c_str()));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
                  GetFileAttributesA(SetupRecordPath(SystemInfFolder()).c_str()));
    }

    static std::string s_folder;
    static std::string s_infPath;
    static std::string s_copyPath;
    static HDEVINFO s_set;
    static SP_DEVINFO_DATA s_withDriver;
    static SP_DEVINFO_DATA s_fromCopy;
    static SP_DEVINFO_DATA s_withoutDriver;
    static bool s_ready;
};

std::string CoInstallerEntryTest::s_folder;
std::string CoInstallerEntryTest::s_infPath;
std::string CoInstallerEntryTest::s_copyPath;
HDEVINFO CoInstallerEntryTest::s_set = INVALID_HANDLE_VALUE;
SP_DEVINFO_DATA CoInstallerEntryTest::s_withDriver;
SP_DEVINFO_DATA CoInstallerEntryTest::s_fromCopy;
SP_DEVINFO_DATA CoInstallerEntryTest::s_withoutDriver;
bool CoInstallerEntryTest::s_ready = false;

TEST_F(CoInstallerEntryTest, OtherInstallFunctionsReturnNoErrorAndStartNothing)
{
    CQuentic quentic("QUENTIC02.dll", true);
    ASSERT_TRUE(quentic.Loaded());
    const DI_FUNCTION others[] = {DIF_SELECTDEVICE, DIF_REGISTERDEVICE, DIF_REMOVE,
                                  DIF_INSTALLDEVICEFILES, DIF_NEWDEVICEWIZARD_FINISHINSTALL};
    for (DI_FUNCTION function : others)
    {
        COINSTALLER_CONTEXT_DATA after = Context(TRUE, NO_ERROR);
        COINSTALLER_CONTEXT_DATA before = Context(FALSE, NO_ERROR);
        EXPECT_EQ(0u, quentic.CoInstallerEntry(function, s_set, &s_withDriver, &after)) << function;
        EXPECT_EQ(0u, quentic.CoInstallerEntry(function, s_set, &s_withDriver, &before)) << function;
    }
    EXPECT_TRUE(RecordedLaunches().empty());
}

TEST_F(CoInstallerEntryTest, BeforeInstallationAsksToBeCalledAgainAfterwards)
{
    CQuentic quentic("QUENTIC02.dll", true);
    ASSERT_TRUE(quentic.Loaded());
    COINSTALLER_CONTEXT_DATA before = Context(FALSE, NO_ERROR);
    EXPECT_EQ(0xE0000226u,
              quentic.CoInstallerEntry(DIF_INSTALLDEVICE, s_set, &s_withDriver, &before));
    EXPECT_TRUE(RecordedLaunches().empty());
}

TEST_F(CoInstallerEntryTest, FailedInstallationReturnsItsResultAndStartsNothing)
{
    CQuentic quentic("QUENTIC02.dll", true);
    ASSERT_TRUE(quentic.Loaded());
    const DWORD results[] = {ERROR_ACCESS_DENIED, 0xE000020Bu /* no such device instance */};
    for (DWORD result : results)
    {
        COINSTALLER_CONTEXT_DATA after = Context(TRUE, result);
        EXPECT_EQ(result, quentic.CoInstallerEntry(DIF_INSTALLDEVICE, s_set, &s_withDriver, &after));
    }
    EXPECT_TRUE(RecordedLaunches().empty());
    ExpectNoInstallerRan();
}

TEST_F(CoInstallerEntryTest, SuccessfulInstallationStartsInstallerFromInfFolder)
{
    CQuentic quentic("QUENTIC02.dll", true);
    ASSERT_TRUE(quentic.Loaded());
    CPostInstallCall call(quentic, s_set, &s_withDriver);
    ExpectSuccessWithoutReminder(call);
    ExpectInstallerStarted(" -u", "-u");
}

TEST_F(CoInstallerEntryTest, MissingArgumentsStringStartsInstallerWithBuiltInArguments)
{
    CQuentic quentic("QUENTIC02_no102.dll", true);
    ASSERT_TRUE(quentic.Loaded());
    CPostInstallCall call(quentic, s_set, &s_withDriver);
    ExpectSuccessWithoutReminder(call);
    ExpectInstallerStarted("i", "i");
}

// Windows 2000 and XP have copied the INF into their own folder when the
// co-installer runs, and the driver detail names the copy; the installer
// beside the copy (planted there by the fixture) is not the package's.
TEST_F(CoInstallerEntryTest, InfCopiedIntoTheSystemFolderStartsInstallerFromTheOriginalFolder)
{
    struct Case
    {
        const char* what;
        std::string driverPath;
        DWORD flags;
    };
    const Case cases[] = {
        {"folder searched", s_folder, 0},
        {"folder searched, no final backslash", s_folder.substr(0, s_folder.size() - 1), 0},
        {"single INF", s_infPath, DI_ENUMSINGLEINF},
    };
    CQuentic quentic("QUENTIC02.dll", true);
    ASSERT_TRUE(quentic.Loaded());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ClearLaunches();
        DeleteFileA(SetupRecordPath(s_folder).c_str());
        ASSERT_TRUE(SetInstallParams(s_fromCopy, c.driverPath, c.flags, DI_ENUMSINGLEINF & ~c.flags));
        CPostInstallCall call(quentic, s_set, &s_fromCopy);
        ExpectSuccessWithoutReminder(call);
        ExpectInstallerStarted(" -u", "-u");
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesA(SetupRecordPath(SystemInfFolder()).c_str()));
}

// The driver is installed: whatever keeps the installer from starting, the
// installation stays successful and the user is told to run the installer.
TEST_F(CoInstallerEntryTest, InstallerThatCannotBeStartedLeavesTheInstallationSuccessfulAndRemindsTheUser)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    struct Case
    {
        const char* what;
        SP_DEVINFO_DATA* element;
        const char* missing;     // a SetupAPI function the library does not find
        DWORD detailError;       // with detailInf: the driver detail's stand-in
        std::string detailInf;
    };
    const Case cases[] = {
        {"no driver selected", &s_withoutDriver, NULL, 0, ""},
        {"only the INF copy is known", &s_fromCopy, NULL, 0, ""},
        {"SetupDiGetSelectedDriverA missing", &s_withDriver, "SetupDiGetSelectedDriverA", 0, ""},
        {"SetupDiGetDriverInfoDetailA missing", &s_withDriver, "SetupDiGetDriverInfoDetailA", 0, ""},
        {"driver detail fails", &s_withDriver, NULL, ERROR_INVALID_PARAMETER, ""},
        {"INF path without a folder", &s_withDriver, NULL, 0, "PRINTER.INF"},
        {"installer path too long", &s_withDriver, NULL, 0,
         "C:\\" + std::string(250, 'd') + "\\PRINTER.INF"},
        {"SETUP.EXE missing", &s_withDriver, NULL, 0, std::string(temp) + "PRINTER.INF"},
    };
    CQuentic quentic("QUENTIC02.dll", true);
    ASSERT_TRUE(quentic.Loaded());
    ASSERT_TRUE(SetInstallParams(s_fromCopy, s_copyPath, DI_ENUMSINGLEINF, 0));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ClearFakeLookups();
        if (c.missing)
            FakeLookup(c.missing, NULL);
        g_detailError = c.detailError;
        g_detailInf = c.detailInf;
        if (c.detailError || !c.detailInf.empty())
            FakeLookup("SetupDiGetDriverInfoDetailA",
                       reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&StandInDriverDetail)));
        CPostInstallCall call(quentic, s_set, c.element);
        ExpectSuccessWithReminder(call);
        ExpectNoInstallerRan();
    }
}

TEST_F(CoInstallerEntryTest, QuietInstallationOrRunningInstallerShowsNoReminder)
{
    CQuentic quentic("QUENTIC02.dll", true);
    ASSERT_TRUE(quentic.Loaded());
    {
        SCOPED_TRACE("quiet installation");
        ASSERT_TRUE(SetInstallParams(s_withoutDriver, "", DI_QUIETINSTALL, 0));
        CPostInstallCall call(quentic, s_set, &s_withoutDriver);
        ExpectSuccessWithoutReminder(call);
        ASSERT_TRUE(SetInstallParams(s_withoutDriver, "", 0, DI_QUIETINSTALL));
    }
    {
        SCOPED_TRACE("the maker's installer runs");
        CRunningInstaller installer;
        ASSERT_TRUE(CRunningInstaller::Holding());
        CPostInstallCall call(quentic, s_set, &s_withoutDriver);
        ExpectSuccessWithoutReminder(call);
    }
}
}
