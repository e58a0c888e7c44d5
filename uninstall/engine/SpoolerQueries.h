// Level-2 printer records read through the access layer with the growing
// buffer: the printer phase and the print-processor phase both read and
// rewrite them.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <vector>

#include "uninstall/engine/SpoolerHandles.h"

namespace vq {

// The PRINTER_INFO_2A of an open printer at the start of `buffer`; false when
// it cannot be read (including a needed size of 0).
inline bool GetPrinterInfo2(HANDLE printer, std::vector<BYTE>& buffer) {
  BOOL ok = QueryWithGrowingBuffer(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
    return Access().GetPrinterA(printer, 2, data, size, needed);
  });
  return ok && buffer.size() >= sizeof(PRINTER_INFO_2A);
}

// The printers of the enumeration `flags` as PRINTER_INFO_2A records at the
// start of `buffer`; their number, 0 when none or when the call failed.
inline DWORD EnumPrinterInfo2(DWORD flags, std::vector<BYTE>& buffer) {
  DWORD count = 0;
  BOOL ok = QueryWithGrowingBuffer(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
    return Access().EnumPrintersA(flags, nullptr, 2, data, size, needed, &count);
  });
  if (!ok) return 0;
  // Never more records than the buffer holds, whatever the count says.
  return std::min<DWORD>(count, static_cast<DWORD>(buffer.size() / sizeof(PRINTER_INFO_2A)));
}

}  // namespace vq
