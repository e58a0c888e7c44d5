// A library loaded at run time, the way a host loads BELDRA02.
#pragma once

#include <windows.h>

// A loaded library, freed when the object goes.
class CLibrary {
 public:
  CLibrary() = default;
  ~CLibrary() {
    if (m_module) FreeLibrary(m_module);
  }
  CLibrary(const CLibrary&) = delete;
  CLibrary& operator=(const CLibrary&) = delete;
  bool Load(const char* path) {
    m_module = LoadLibraryA(path);
    return m_module != nullptr;
  }
  HMODULE Get() const { return m_module; }
  // An export by name, as the function type the caller expects; null when
  // the library lacks it.
  template <typename Function>
  Function Proc(const char* name) const {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(m_module, name)));
  }

 private:
  HMODULE m_module = nullptr;
};

