#include "tests/gui/statusdlg/TestLibrary.h"

#include <string.h>

const CLibrary& Beldra() {
  static CLibrary library;
  if (!library.Get()) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = strrchr(path, '\\');
    strcpy(slash ? slash + 1 : path, "BELDRA02.dll");
    library.Load(path);
  }
  return library;
}
