// The module whose resources the dialogs use, and string loading from it.
#pragma once

#include <windows.h>

// The library sets this to its own module when it is loaded; a program that
// links the dialogs directly sets its own module.
void SetResourceModule(HINSTANCE module);
HINSTANCE ResourceModule();

// Text of a string-table entry, "" when it is missing. The result lives in one
// of four slots that are reused in turn, so up to four results may be held at
// once (enough for one formatted message).
const char* LoadResString(UINT id);
