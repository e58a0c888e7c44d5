// The registry of Windows 95, 98 and Me as the removal sees it: their
// RegDeleteKeyA deletes a key with all its subkeys, where Windows NT's
// deletes only a key without any.
#pragma once

#include <windows.h>

#include "uninstall/system/AccessLayer.h"

class CNinetyEightRegistry : public vq::CAccessLayer {
 public:
  LONG RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) override {
    HKEY opened;
    if (::RegOpenKeyExA(key, subKey, 0, KEY_ALL_ACCESS, &opened) == ERROR_SUCCESS) {
      char child[260];
      while (::RegEnumKeyA(opened, 0, child, sizeof(child)) == ERROR_SUCCESS)
        if (RegDeleteKeyExA(opened, child, view, 0) != ERROR_SUCCESS) break;
      ::RegCloseKey(opened);
    }
    return vq::CAccessLayer::RegDeleteKeyExA(key, subKey, view, reserved);
  }
};
