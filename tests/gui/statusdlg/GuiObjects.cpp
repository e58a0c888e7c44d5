#include "tests/gui/statusdlg/GuiObjects.h"

#include <stdint.h>

namespace {

bool RunsUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// The process environment block, from ntdll.
const BYTE* ProcessEnvironmentBlock() {
  typedef void*(WINAPI * RtlGetCurrentPebFn)();
  auto getPeb = reinterpret_cast<RtlGetCurrentPebFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetCurrentPeb")));
  return getPeb ? static_cast<const BYTE*>(getPeb()) : nullptr;
}

// Wine's GDI_HANDLE_ENTRY.
struct WineGdiEntry {
  uint64_t object;
  uint32_t owner;
  uint16_t unique;
  uint8_t type;
  uint8_t flags;
  uint64_t userPointer;
};
static_assert(sizeof(WineGdiEntry) == 24, "Wine's GDI handle entries are 24 bytes");
const int kWineGdiEntries = 0x10000;

DWORD CountWineGdiObjects() {
  const BYTE* peb = ProcessEnvironmentBlock();
  if (!peb) return 0;
#ifdef _WIN64
  const size_t tableOffset = 0xF8;
#else
  const size_t tableOffset = 0x94;
#endif
  const auto* table = *reinterpret_cast<const WineGdiEntry* const*>(peb + tableOffset);
  if (!table) return 0;
  DWORD live = 0;
  for (int i = 0; i < kWineGdiEntries; ++i) live += table[i].type != 0;
  return live;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<DWORD*>(count);
  return TRUE;
}

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM count) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  ++*reinterpret_cast<DWORD*>(count);
  EnumChildWindows(window, &CountChild, count);
  return TRUE;
}

DWORD CountOwnWindows() {
  DWORD count = 0;
  EnumWindows(&CountOwnWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

}  // namespace

GuiObjects CountGuiObjects() {
  GuiObjects objects = {GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                        GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
  if (RunsUnderWine()) {
    if (objects.gdi == 0) objects.gdi = CountWineGdiObjects();
    if (objects.user == 0) objects.user = CountOwnWindows();
  }
  return objects;
}
