#include "tests/wine/coinstaller/TestSupport.h"

#include <shellapi.h>

#include <fstream>
#include <map>

std::string TestFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

namespace
{
std::vector<ShellLaunch> g_launches;

HINSTANCE WINAPI RecordingShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file,
                                        LPCSTR parameters, LPCSTR directory, INT show)
{
    ShellLaunch launch;
    launch.verb = verb ? verb : "<null>";
    launch.file = file ? file : "<null>";
    launch.parameters = parameters ? parameters : "<null>";
    launch.directory = directory ? directory : "<null>";
    launch.show = show;
    g_launches.push_back(launch);
    return ShellExecuteA(owner, verb, file, parameters, directory, show);
}

std::map<std::string, FARPROC> g_fakeLookups;

FARPROC WINAPI FakingGetProcAddress(HMODULE module, LPCSTR name)
{
    if (!IS_INTRESOURCE(name))
    {
        std::map<std::string, FARPROC>::const_iterator fake = g_fakeLookups.find(name);
        if (fake != g_fakeLookups.end())
        {
            SetLastError(ERROR_PROC_NOT_FOUND);  // what a missing export leaves
            return fake->second;
        }
    }
    return GetProcAddress(module, name);
}

// Points the import slot of `module` for `dll`!`function` at `replacement`.
bool PatchImport(HMODULE module, const char* dll, const char* function, void* replacement)
{
    BYTE* base = reinterpret_cast<BYTE*>(module);
    IMAGE_NT_HEADERS* nt =
        reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return false;
    for (IMAGE_IMPORT_DESCRIPTOR* d =
             reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         d->Name != 0; ++d)
    {
        if (lstrcmpiA(reinterpret_cast<char*>(base + d->Name), dll) != 0)
            continue;
        IMAGE_THUNK_DATA* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots)
        {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME* byName =
                reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char*>(byName->Name), function) != 0)
                continue;
            DWORD protection;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                           &protection);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return true;
        }
    }
    return false;
}

template <class Function> Function Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
}

CQuentic::CQuentic(const char* fileName, bool instrument)
    : CoInstallerEntry(NULL), VendorSetup(NULL), VendorSetup9x(NULL),
      m_module(LoadLibraryA((TestFolder() + fileName).c_str()))
{
    if (!m_module)
        return;
    CoInstallerEntry = Export<CoInstallerEntryFn>(m_module, "CoInstallerEntry");
    VendorSetup = Export<VendorSetupFn>(m_module, "VendorSetup");
    VendorSetup9x = Export<VendorSetupFn>(m_module, "VendorSetup9x");
    if (instrument
        && !(PatchImport(m_module, "shell32.dll", "ShellExecuteA",
                         reinterpret_cast<void*>(&RecordingShellExecuteA))
             && PatchImport(m_module, "kernel32.dll", "GetProcAddress",
                            reinterpret_cast<void*>(&FakingGetProcAddress))))
    {
        FreeLibrary(m_module);
        m_module = NULL;
    }
}

CQuentic::~CQuentic()
{
    if (m_module)
        FreeLibrary(m_module);
}

bool CQuentic::Loaded() const
{
    return m_module && CoInstallerEntry && VendorSetup && VendorSetup9x;
}

void FakeLookup(const char* name, FARPROC replacement)
{
    g_fakeLookups[name] = replacement;
}

void ClearFakeLookups()
{
    g_fakeLookups.clear();
}

const std::vector<ShellLaunch>& RecordedLaunches()
{
    return g_launches;
}

void ClearLaunches()
{
    g_launches.clear();
}

std::string SetupRecordPath(const std::string& folder)
{
    return folder + "setup-record.txt";
}

bool WaitForSetupRecord(const std::string& folder, SetupRecord& record, DWORD timeoutMs)
{
    const std::string path = SetupRecordPath(folder);
    for (DWORD waited = 0; waited <= timeoutMs; waited += 100)
    {
        std::ifstream file(path.c_str());
        if (file)
        {
            record = SetupRecord();
            std::string line;
            while (std::getline(file, line))
            {
                if (line.compare(0, 4, "cwd=") == 0)
                    record.workingFolder = line.substr(4);
                else if (line.compare(0, 4, "arg=") == 0)
                    record.arguments.push_back(line.substr(4));
            }
            return true;
        }
        Sleep(100);
    }
    return false;
}

HWND WaitForDialog(const char* caption, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited <= timeoutMs; waited += 50)
    {
        HWND dialog = FindWindowA(MAKEINTATOM(32770), caption);
        if (dialog && IsWindowVisible(dialog))
            return dialog;
        Sleep(50);
    }
    return NULL;
}

static BOOL CALLBACK CloseIfOwnDialog(HWND window, LPARAM)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && lstrcmpA(className, "#32770") == 0)
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

void CloseOwnDialogs()
{
    EnumWindows(CloseIfOwnDialog, 0);
}

std::string WindowText(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ItemText(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}

CBackgroundCall::CBackgroundCall(std::function<DWORD()> call)
    : m_result(0), m_thread([this, call]() { m_result = call(); })
{
}

CBackgroundCall::~CBackgroundCall()
{
    while (!Finished(1))
        CloseOwnDialogs();
}

bool CBackgroundCall::Finished(int seconds)
{
    return m_thread.Wait(static_cast<DWORD>(seconds) * 1000);
}

DWORD CBackgroundCall::Result()
{
    m_thread.Wait();
    return m_result;
}

CRunningInstaller::CRunningInstaller() : m_quit(CreateEventA(NULL, TRUE, FALSE, "VQ_TestSetupQuit"))
{
    ZeroMemory(&m_process, sizeof m_process);
    std::string commandLine = "\"" + TestFolder() + "SETUP.exe\" /hold VQ_TestSetupQuit";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &m_process))
        return;
    for (int i = 0; i < 200 && !Holding(); ++i)
        Sleep(50);
}

CRunningInstaller::~CRunningInstaller()
{
    SetEvent(m_quit);
    if (m_process.hProcess)
    {
        WaitForSingleObject(m_process.hProcess, 10000);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
    CloseHandle(m_quit);
}

bool CRunningInstaller::Holding()
{
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "InstallerClass");
    if (!mutex)
        return false;
    CloseHandle(mutex);
    return true;
}

void RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(folder + name + "\\");
            else
                DeleteFileA((folder + name).c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}
