// The GDI and USER objects this process holds, for leak checks.
#pragma once

#include <windows.h>

struct GuiObjects {
  DWORD gdi;
  DWORD user;
};

// GetGuiResources where it answers (Windows 2000 and later). Wine 8 has it as
// a stub that answers 0 (measured); under Wine the count comes from what Wine
// keeps instead: the GDI objects in the process's own handle table (the
// PEB's GdiSharedHandleTable, entries of 24 bytes whose type byte is nonzero
// for a live object), the USER objects as the windows of the process.
GuiObjects CountGuiObjects();
