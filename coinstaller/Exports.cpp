// The three exports of QUENTIC02 (named in QUENTIC02.def). Each answers
// without letting an exception out (NoThrow.h).
#include <windows.h>
#include <setupapi.h>

#include "coinstaller/Handles.h"
#include "coinstaller/InstallerLaunch.h"
#include "coinstaller/MessageDlg.h"
#include "coinstaller/NoThrow.h"
#include "coinstaller/PrinterMark.h"
#include "coinstaller/ResourceString.h"
#include "coinstaller/resource.h"

extern "C" {
DWORD WINAPI CoInstallerEntry(DI_FUNCTION installFunction, HDEVINFO set,
                              PSP_DEVINFO_DATA element, PCOINSTALLER_CONTEXT_DATA context);
int WINAPI VendorSetup(HWND, HINSTANCE, LPSTR, int);
int WINAPI VendorSetup9x(HWND, HINSTANCE, LPSTR printerName, int);
}

namespace
{
// The maker's installer holds this mutex while it runs.
const char kInstallerMutex[] = "InstallerClass";

// Tells the user to run the installer for the status display.
void ShowInstallerReminder()
{
    char product[1024];
    char format[1024];
    char message[1024];
    LoadResourceString(IDS_PRODUCT_NAME, "", product, sizeof product);
    LoadResourceString(IDS_MESSAGE_FORMAT,
                       "Please run %s Installer (setup.exe) to install the status display.",
                       format, sizeof format);
    // wsprintfA writes at most 1024 bytes, the size of `message`.
    wsprintfA(message, format, product);
    CMessageDlg(message, product).DoModal();
}

// Shows the reminder unless the maker's installer is running. Returns 0 when
// the mutex cannot be created, otherwise the result of closing it (nonzero).
int RemindUnlessInstallerRuns()
{
    CHandle mutex(CreateMutexA(NULL, TRUE, kInstallerMutex));
    if (!mutex.Get())
        return 0;
    // Holding the mutex while the dialog is open also keeps a second
    // concurrent call from showing it again.
    if (GetLastError() != ERROR_ALREADY_EXISTS)
    {
        ShowInstallerReminder();
        ReleaseMutex(mutex.Get());
    }
    return mutex.Close();
}

// After the driver is installed: starts the installer for the status display.
// When it cannot be started, the driver is installed all the same; only the
// status display is missing, and the reminder tells the user how to add it
// (not in a quiet installation, which must show nothing).
void OfferStatusDisplay(HDEVINFO set, PSP_DEVINFO_DATA element)
{
    if (LaunchInstaller(set, element) == ERROR_SUCCESS)
        return;
    if (!IsQuietInstall(set, element))
        RemindUnlessInstallerRuns();
}
}

// Called by the device installer for each step of the driver installation;
// once the driver is installed, starts the package installer. It never turns
// the installation's result into a failure.
DWORD WINAPI CoInstallerEntry(DI_FUNCTION installFunction, HDEVINFO set,
                              PSP_DEVINFO_DATA element, PCOINSTALLER_CONTEXT_DATA context)
{
    if (installFunction != DIF_INSTALLDEVICE)
        return NO_ERROR;
    if (!context)
        return ERROR_INVALID_PARAMETER;
    if (!context->PostProcessing)
        return ERROR_DI_POSTPROCESSING_REQUIRED;  // call us again afterwards
    if (context->InstallResult != NO_ERROR)
        return context->InstallResult;
    return CallWithoutThrowing(DWORD(NO_ERROR), [&]() {
        OfferStatusDisplay(set, element);
        return DWORD(NO_ERROR);
    });
}

// Shows the configured installer file name, then its arguments.
int WINAPI VendorSetup(HWND, HINSTANCE, LPSTR, int)
{
    return CallWithoutThrowing(0, []() {
        char installerFile[MAX_PATH];
        char installerArgs[MAX_PATH];
        LoadInstallerCommand(installerFile, installerArgs);
        CMessageDlg(installerFile, "1").DoModal();
        return static_cast<int>(CMessageDlg(installerArgs, "2").DoModal());
    });
}

// Windows 9x printer set-up: marks the new printer and, unless the maker's
// installer is running, reminds the user to run it.
int WINAPI VendorSetup9x(HWND, HINSTANCE, LPSTR printerName, int)
{
    return CallWithoutThrowing(0, [&]() {
        MarkPrinterQueued(printerName);  // the reminder is wanted either way
        return RemindUnlessInstallerRuns();
    });
}
