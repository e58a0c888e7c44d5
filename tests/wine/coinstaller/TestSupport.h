// Helpers shared by the co-installer's Wine tests: the library under test
// with its exports, a recorder for the shell launches it makes, the record
// of the test installer, and finding the dialogs it shows.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/TestThread.h"

// Folder of the running test program, with its trailing backslash; the
// libraries under test and the test SETUP.EXE are built beside it.
std::string TestFolder();

// One call of ShellExecuteA made by the library under test.
struct ShellLaunch
{
    std::string verb;
    std::string file;
    std::string parameters;
    std::string directory;
    int show;
};

// A build of QUENTIC02 loaded from the test folder, its exports looked up by
// their plain names. `instrument` redirects two of its imports: ShellExecuteA
// to a recorder that keeps every call and then makes it, and GetProcAddress
// (with which it finds the SetupAPI functions) to one that answers what
// FakeLookup set.
class CQuentic
{
public:
    typedef DWORD(WINAPI* CoInstallerEntryFn)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA,
                                              PCOINSTALLER_CONTEXT_DATA);
    typedef int(WINAPI* VendorSetupFn)(HWND, HINSTANCE, LPSTR, int);

    explicit CQuentic(const char* fileName = "QUENTIC02.dll", bool instrument = false);
    ~CQuentic();
    bool Loaded() const;

    CoInstallerEntryFn CoInstallerEntry;
    VendorSetupFn VendorSetup;
    VendorSetupFn VendorSetup9x;

private:
    CQuentic(const CQuentic&) = delete;
    CQuentic& operator=(const CQuentic&) = delete;
    HMODULE m_module;
};

// What an instrumented library finds when it looks a function up by `name`:
// `replacement` instead of the real one, or nothing when it is NULL. Every
// other name finds the real function; ClearFakeLookups() brings all back.
void FakeLookup(const char* name, FARPROC replacement);
void ClearFakeLookups();

// The launches recorded since the last ClearLaunches().
const std::vector<ShellLaunch>& RecordedLaunches();
void ClearLaunches();

// How the test SETUP.EXE was started, read from its record file.
struct SetupRecord
{
    std::string workingFolder;
    std::vector<std::string> arguments;
};

// Path of the record the test SETUP.EXE in `folder` writes.
std::string SetupRecordPath(const std::string& folder);
// Waits up to `timeoutMs` for the record in `folder`; false when none came.
bool WaitForSetupRecord(const std::string& folder, SetupRecord& record, DWORD timeoutMs);

// Waits up to `timeoutMs` for a top-level dialog of this process with the
// given caption; NULL when none appeared.
HWND WaitForDialog(const char* caption, DWORD timeoutMs);
// Asks every top-level dialog of this process to close.
void CloseOwnDialogs();
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);

// A call of the library on a thread of its own, so that the test thread can
// handle the modal dialogs it shows. If a test fails while a dialog is still
// open, the destructor closes the process's dialogs until the call returns.
class CBackgroundCall
{
public:
    explicit CBackgroundCall(std::function<DWORD()> call);
    ~CBackgroundCall();
    // True once the call has returned; waits at most `seconds`.
    bool Finished(int seconds);
    DWORD Result();

private:
    DWORD m_result;
    vq::test::CTestThread m_thread;
};

// The test SETUP.EXE started with "/hold": like the maker's installer it owns
// "InstallerClass" until the object goes away.
class CRunningInstaller
{
public:
    CRunningInstaller();
    ~CRunningInstaller();
    // True while any process holds "InstallerClass".
    static bool Holding();

private:
    CRunningInstaller(const CRunningInstaller&) = delete;
    CRunningInstaller& operator=(const CRunningInstaller&) = delete;
    HANDLE m_quit;
    PROCESS_INFORMATION m_process;
};

// Recursively removes a folder made by a test (best effort).
void RemoveFolder(const std::string& folder);
