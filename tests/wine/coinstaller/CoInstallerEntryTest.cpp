// CoInstallerEntry against Wine's real SetupAPI: a printer driver INF in a
// folder of its own, a device information element whose selected driver
// comes from it, and the test SETUP.EXE beside the INF.
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

std::string Lower(std::string text)
{
    CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// A driver disk folder (with a blank in its name, as on real media) holding
// the INF and the test installer, and a device information set with one
// element whose driver is selected from that INF and one without a driver.
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
        CopyFileA((TestFolder() + "SETUP.exe").c_str(), (s_folder + "SETUP.EXE").c_str(), FALSE);

        s_set = SetupDiCreateDeviceInfoList(&kPrinterClass, NULL);
        s_ready = s_set != INVALID_HANDLE_VALUE && CreateElement(s_withDriver, true)
                  && CreateElement(s_withoutDriver, false);
    }

    static void TearDownTestSuite()
    {
        if (s_set != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(s_set);
        s_set = INVALID_HANDLE_VALUE;
        RemoveFolder(s_folder);
    }

    static bool CreateElement(SP_DEVINFO_DATA& element, bool selectDriver)
    {
        element.cbSize = sizeof element;
        if (!SetupDiCreateDeviceInfoA(s_set, "PRINTER", &kPrinterClass, NULL, NULL,
                                      DICD_GENERATE_ID, &element))
            return false;
        if (!selectDriver)
            return true;
        SP_DEVINSTALL_PARAMS_A params;
        params.cbSize = sizeof params;
        if (!SetupDiGetDeviceInstallParamsA(s_set, &element, &params))
            return false;
        params.Flags |= DI_ENUMSINGLEINF;
        lstrcpynA(params.DriverPath, s_infPath.c_str(), sizeof params.DriverPath);
        const char hardwareIds[sizeof kHardwareId + 1] = "VQ_VINTARA_7310K";  // double zero
        return SetupDiSetDeviceInstallParamsA(s_set, &element, &params)
               && SetupDiSetDeviceRegistryPropertyA(s_set, &element, SPDRP_HARDWAREID,
                                                    reinterpret_cast<const BYTE*>(hardwareIds),
                                                    sizeof hardwareIds)
               && SetupDiBuildDriverInfoList(s_set, &element, SPDIT_COMPATDRIVER)
               && SetupDiSelectBestCompatDrv(s_set, &element);
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_ready) << "device information set could not be built";
        ClearLaunches();
        DeleteFileA(SetupRecordPath(s_folder).c_str());
    }

    static COINSTALLER_CONTEXT_DATA Context(BOOL postProcessing, DWORD installResult)
    {
        COINSTALLER_CONTEXT_DATA context = {};
        context.PostProcessing = postProcessing;
        context.InstallResult = installResult;
        return context;
    }

    // Checks that the library started the test installer from the INF folder
    // with `arguments`, and that the installer really ran there.
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

    static std::string s_folder;
    static std::string s_infPath;
    static HDEVINFO s_set;
    static SP_DEVINFO_DATA s_withDriver;
    static SP_DEVINFO_DATA s_withoutDriver;
    static bool s_ready;
};

std::string CoInstallerEntryTest::s_folder;
std::string CoInstallerEntryTest::s_infPath;
HDEVINFO CoInstallerEntryTest::s_set = INVALID_HANDLE_VALUE;
SP_DEVINFO_DATA CoInstallerEntryTest::s_withDriver;
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
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(SetupRecordPath(s_folder).c_str()));
}

TEST_F(CoInstallerEntryTest, SuccessfulInstallationStartsInstallerFromInfFolder)
{
    CQuentic quentic("QUENTIC02.dll", true);
    ASSERT_TRUE(quentic.Loaded());
    COINSTALLER_CONTEXT_DATA after = Context(TRUE, NO_ERROR);
    EXPECT_EQ(0u, quentic.CoInstallerEntry(DIF_INSTALLDEVICE, s_set, &s_withDriver, &after));
    ExpectInstallerStarted(" -u", "-u");
}

TEST_F(CoInstallerEntryTest, MissingArgumentsStringStartsInstallerWithBuiltInArguments)
{
    CQuentic quentic("QUENTIC02_no102.dll", true);
    ASSERT_TRUE(quentic.Loaded());
    COINSTALLER_CONTEXT_DATA after = Context(TRUE, NO_ERROR);
    EXPECT_EQ(0u, quentic.CoInstallerEntry(DIF_INSTALLDEVICE, s_set, &s_withDriver, &after));
    ExpectInstallerStarted("i", "i");
}

TEST_F(CoInstallerEntryTest, ElementWithoutSelectedDriverReturnsTheLookupError)
{
    CQuentic quentic("QUENTIC02.dll", true);
    ASSERT_TRUE(quentic.Loaded());
    SP_DRVINFO_DATA_A driver;
    driver.cbSize = sizeof driver;
    SetLastError(0);
    ASSERT_FALSE(SetupDiGetSelectedDriverA(s_set, &s_withoutDriver, &driver));
    const DWORD lookupError = GetLastError();

    COINSTALLER_CONTEXT_DATA after = Context(TRUE, NO_ERROR);
    EXPECT_EQ(lookupError,
              quentic.CoInstallerEntry(DIF_INSTALLDEVICE, s_set, &s_withoutDriver, &after));
    EXPECT_NE(0u, lookupError);
    EXPECT_TRUE(RecordedLaunches().empty());
}
}
