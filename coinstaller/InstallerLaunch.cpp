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
typedef BOOL(WINAPI* GetDeviceInstallParamsFn)(HDEVINFO, PSP_DEVINFO_DATA,
                                               PSP_DEVINSTALL_PARAMS_A);

// A function of the setup library, looked up by name when it is needed;
// NULL when the library lacks it. The library is loaded with the module,
// which refuses to load without it.
template <class Function> Function SetupFunction(const char* name)
{
    HMODULE library = SetupLibrary();
    return library ? GetProcAs<Function>(library, name) : NULL;
}

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

// The last character of `text` (the lead byte of a double-byte one); NULL
// for an empty text.
char* LastCharacter(char* text)
{
    char* last = NULL;
    for (char* p = text; *p; p = CharNextA(p))
        last = p;
    return last;
}

// Copies `path` into `folder` and ends it with a backslash.
bool CopyAsFolder(const char* path, char* folder, int size)
{
    folder[0] = '\0';
    if (!Append(folder, size, path, lstrlenA(path)))
        return false;
    const char* last = LastCharacter(folder);
    return (last && *last == '\\') || Append(folder, size, "\\", 1);
}

// The INF file of the driver selected for the element, as SetupAPI reports
// it in the driver detail record.
DWORD GetSelectedInfPath(HDEVINFO set, PSP_DEVINFO_DATA element, char* path, int size)
{
    GetSelectedDriverFn getSelected = SetupFunction<GetSelectedDriverFn>("SetupDiGetSelectedDriverA");
    GetDriverInfoDetailFn getDetail =
        SetupFunction<GetDriverInfoDetailFn>("SetupDiGetDriverInfoDetailA");
    if (!getSelected || !getDetail)
        return ERROR_PROC_NOT_FOUND;

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

// The device's install parameters; false when they cannot be read.
bool GetInstallParams(HDEVINFO set, PSP_DEVINFO_DATA element, SP_DEVINSTALL_PARAMS_A& params)
{
    GetDeviceInstallParamsFn getParams =
        SetupFunction<GetDeviceInstallParamsFn>("SetupDiGetDeviceInstallParamsA");
    ZeroMemory(&params, sizeof params);
    params.cbSize = sizeof params;
    return getParams && getParams(set, element, &params);
}

// The system's INF folder, where the device installer keeps its INF copies.
bool IsSystemInfFolder(const char* folder)
{
    char system[MAX_PATH];
    UINT length = GetWindowsDirectoryA(system, MAX_PATH - 4);
    if (length == 0 || length >= MAX_PATH - 4)
        return false;
    Append(system, sizeof system, "\\INF", 4);
    return IsSameFolder(folder, system);
}

// The original folder of an INF that the device installer has copied into
// its own folder: the one the install parameters searched.
DWORD GetOriginalFolder(HDEVINFO set, PSP_DEVINFO_DATA element, char* folder, int size)
{
    SP_DEVINSTALL_PARAMS_A params;
    if (!GetInstallParams(set, element, params) || params.DriverPath[0] == '\0')
        return ERROR_FILE_NOT_FOUND;
    params.DriverPath[MAX_PATH - 1] = '\0';
    bool taken = (params.Flags & DI_ENUMSINGLEINF)
                     ? GetFolderOfPath(params.DriverPath, folder, size)
                     : CopyAsFolder(params.DriverPath, folder, size);
    if (!taken)
        return GetLastError();
    // A search of the system's INF folder leads back to the copy.
    return IsSystemInfFolder(folder) ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
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

bool IsSameFolder(const char* a, const char* b)
{
    // Both in their full form, then in their short form where the folder
    // exists: the same folder reads the same, letter case aside.
    char forms[2][MAX_PATH];
    const char* paths[2] = {a, b};
    for (int i = 0; i < 2; ++i)
    {
        char full[MAX_PATH];
        char* filePart = NULL;
        DWORD length = GetFullPathNameA(paths[i], MAX_PATH, full, &filePart);
        if (length == 0 || length >= MAX_PATH)
            return false;
        DWORD shortLength = GetShortPathNameA(full, forms[i], MAX_PATH);
        if (shortLength == 0 || shortLength >= MAX_PATH)
            lstrcpynA(forms[i], full, MAX_PATH);
        // No final backslash, except after a drive ("C:\").
        char* last = LastCharacter(forms[i]);
        if (last && *last == '\\' && last - forms[i] > 2)
            *last = '\0';
    }
    return lstrcmpiA(forms[0], forms[1]) == 0;
}

void LoadInstallerCommand(char* installerFile, char* installerArgs)
{
    LoadResourceString(IDS_INSTALLER_FILE, "SETUP.EXE", installerFile, MAX_PATH);
    LoadResourceString(IDS_INSTALLER_ARGS, "i", installerArgs, MAX_PATH);
}

DWORD FindInstallerFolder(HDEVINFO set, PSP_DEVINFO_DATA element, char* folder, int size)
{
    char infPath[MAX_PATH];
    DWORD error = GetSelectedInfPath(set, element, infPath, sizeof infPath);
    if (error != ERROR_SUCCESS)
        return error;
    if (!GetFolderOfPath(infPath, folder, size))
        return GetLastError();
    if (IsSystemInfFolder(folder))
        return GetOriginalFolder(set, element, folder, size);
    return ERROR_SUCCESS;
}

DWORD LaunchInstaller(HDEVINFO set, PSP_DEVINFO_DATA element)
{
    char installerFile[MAX_PATH];
    char installerArgs[MAX_PATH];
    LoadInstallerCommand(installerFile, installerArgs);

    char infFolder[MAX_PATH];
    DWORD error = FindInstallerFolder(set, element, infFolder, sizeof infFolder);
    if (error != ERROR_SUCCESS)
        return error;
    char installerPath[MAX_PATH];
    lstrcpyA(installerPath, infFolder);
    if (!Append(installerPath, sizeof installerPath, installerFile, lstrlenA(installerFile)))
        return GetLastError();

    // ShellExecuteA answers a value above 32 once the program has started,
    // otherwise an error code of its own (2: file not found, 3: path not
    // found, ...) that matches the Win32 code of the same number.
    INT_PTR started = reinterpret_cast<INT_PTR>(
        ShellExecuteA(NULL, "open", installerPath, installerArgs, infFolder, SW_SHOWNORMAL));
    if (started > 32)
        return ERROR_SUCCESS;
    return started > 0 ? static_cast<DWORD>(started) : ERROR_NOT_ENOUGH_MEMORY;
}

bool IsQuietInstall(HDEVINFO set, PSP_DEVINFO_DATA element)
{
    SP_DEVINSTALL_PARAMS_A params;
    return GetInstallParams(set, element, params) && (params.Flags & DI_QUIETINSTALL) != 0;
}
