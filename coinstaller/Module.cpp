// Module entry of QUENTIC02.
#include "coinstaller/Module.h"

#include "coinstaller/Handles.h"

namespace
{
HINSTANCE g_module = NULL;
CLibrary g_setupLibrary;
}

HINSTANCE ModuleInstance()
{
    return g_module;
}

HMODULE SetupLibrary()
{
    return g_setupLibrary.Get();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    switch (reason)
    {
    case DLL_PROCESS_ATTACH:
        g_module = instance;
        // Without the device installer's library the co-installer cannot
        // find the driver's INF; refusing to load lets the device installer
        // go on without us.
        return g_setupLibrary.Load("SETUPAPI.DLL") ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        g_setupLibrary.Free();
        break;
    default:  // thread attach and detach: nothing to do
        break;
    }
    return TRUE;
}
