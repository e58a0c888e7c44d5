#include "coinstaller/ResourceString.h"

#include "coinstaller/Module.h"

void LoadResourceString(UINT id, const char* fallback, char* buffer, int size)
{
    if (LoadStringA(ModuleInstance(), id, buffer, size) > 0)
        return;
    lstrcpynA(buffer, fallback, size);
}
