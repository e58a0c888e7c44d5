#include "statusdlg/ResourceText.h"

namespace {
HINSTANCE g_resourceModule = nullptr;
}

void SetResourceModule(HINSTANCE module) { g_resourceModule = module; }

HINSTANCE ResourceModule() { return g_resourceModule; }

const char* LoadResString(UINT id) {
  // Resource strings are held in 512-character slots.
  static char slots[4][512];
  static unsigned next = 0;
  char* slot = slots[next];
  next = (next + 1) % 4;
  if (LoadStringA(g_resourceModule, id, slot, sizeof slots[0]) <= 0) slot[0] = '\0';
  return slot;
}
