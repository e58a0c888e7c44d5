#include "coinstaller/InstallerLaunch.h"

#include <shellapi.h>

#include "coinstaller/Handles.h"
#include "coinstaller/Module.h"
#include "coinstaller/ResourceString.h"
#include "coinstaller/resource.h"

// The shipped library is 32-bit; these are the record sizes the 32-bit
// SetupAPI checks (other builds use their own sizeof).
#ifndef _WIN64
static_assert(sizeof(SP_DRVINFO_DATA_A) == 796, "32-bit SP_DRVINFO_DATA_A is 796 bytes");
static_assert(sizeof(SP_DRVINFO_DETAIL_DATA_A) == 797,
              "32-bit SP_DRVINFO_DETAIL_DATA_A is 797 bytes");
#endif

namespace
{
typedef BOOL(WINAPI* GetSelectedDriverFn)(HDEVINFO, PSP_DEVINFO_DATA, PSP_DRVINFO_DATA_A);
typedef BOOL(WINAPI* GetDriverInfoDetailFn)(HDEVINFO, PSP_DEVINFO_DATA, PSP_DRVINFO_DATA_A,
                                            PSP_DRVINFO_DETAIL_DATA_A, DWORD, PDWORD);

bool Fail(DWORD error)
{
    SetLastError(error);
    return false;
}

// Copies `length` bytes of `text` to the end of the string in `buffer`.
bool Append(char* buffer, int size, const char* text, int length)
{
    int used = lstrlenA(buffer);
    if (length >= size - used)
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    CopyMemory(buffer + used, text, length);
    buffer[used + length] = '\0';
    return true;
}

// The INF file of the driver selected for the element, as SetupAPI reports
// it in the driver detail record.
DWORD GetSelectedInfPath(HDEVINFO set, PSP_DEVINFO_DATA element, char* path, int size)
{
    HMODULE module = SetupLibrary();
    if (!module)
        return ERROR_DI_POSTPROCESSING_REQUIRED;
    GetDriverInfoDetailFn getDetail =
        GetProcAs<GetDriverInfoDetailFn>(module, "SetupDiGetDriverInfoDetailA");
    GetSelectedDriverFn getSelected =
        GetProcAs<GetSelectedDriverFn>(module, "SetupDiGetSelectedDriverA");
    if (!getDetail || !getSelected)
        return GetLastError();

    SP_DRVINFO_DATA_A driver;
    ZeroMemory(&driver, sizeof driver);
    driver.cbSize = sizeof driver;
    if (!getSelected(set, element, &driver))
        return GetLastError();

    SP_DRVINFO_DETAIL_DATA_A detail;
    ZeroMemory(&detail, sizeof detail);
    detail.cbSize = sizeof detail;
    // The record has room for one character of the hardware ids only, so a
    // driver with ids answers "buffer too small"; the fixed part, which holds
    // the INF file name, is filled all the same.
    if (!getDetail(set, element, &driver, &detail, sizeof detail, NULL)
        && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return GetLastError();
    detail.InfFileName[MAX_PATH - 1] = '\0';
    lstrcpynA(path, detail.InfFileName, size);
    return ERROR_SUCCESS;
}
}

bool GetFolderOfPath(const char* path, char* folder, int size)
{
    // Walk by characters so that a trail byte equal to '\' inside a
    // double-byte character is not taken for a separator.
    const char* lastSeparator = NULL;
    for (const char* p = path; *p; p = CharNextA(p))
        if (*p == '\\')
            lastSeparator = p;
    if (!lastSeparator)
        return Fail(ERROR_BAD_PATHNAME);
    folder[0] = '\0';
    return Append(folder, size, path, static_cast<int>(lastSeparator - path) + 1);
}

void LoadInstallerCommand(char* installerFile, char* installerArgs)
{
    LoadResourceString(IDS_INSTALLER_FILE, "SETUP.EXE", installerFile, MAX_PATH);
    LoadResourceString(IDS_INSTALLER_ARGS, "i", installerArgs, MAX_PATH);
}

DWORD LaunchInstaller(HDEVINFO set, PSP_DEVINFO_DATA element)
{
    char installerFile[MAX_PATH];
    char installerArgs[MAX_PATH];
    LoadInstallerCommand(installerFile, installerArgs);

    char infPath[MAX_PATH];
    DWORD error = GetSelectedInfPath(set, element, infPath, sizeof infPath);
    if (error != ERROR_SUCCESS)
        return error;

    char infFolder[MAX_PATH];
    char installerPath[MAX_PATH];
    if (!GetFolderOfPath(infPath, infFolder, sizeof infFolder))
        return GetLastError();
    lstrcpyA(installerPath, infFolder);
    if (!Append(installerPath, sizeof installerPath, installerFile, lstrlenA(installerFile)))
        return GetLastError();

    // What the installer does is its own business; its start is not checked.
    ShellExecuteA(NULL, "open", installerPath, installerArgs, infFolder, SW_SHOWNORMAL);
    return ERROR_SUCCESS;
}
