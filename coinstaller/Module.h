// The library's only state: its own module handle and the setup library
// (SETUPAPI.DLL) loaded when the process attaches.
#pragma once

#include <windows.h>

HINSTANCE ModuleInstance();
// NULL when the setup library is not loaded.
HMODULE SetupLibrary();
