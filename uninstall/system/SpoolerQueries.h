// Variable-size spooler queries read through the access layer with the
// growing buffer: level-2 printer records, which the printer and
// print-processor phases read and rewrite, and the records of any
// enumeration.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <string>
#include <vector>

#include "uninstall/system/SpoolerHandles.h"

namespace vq {

// The records of a spooler enumeration at the start of `buffer`: `enumerate`
// is called as (data, size, &needed, &count). Their number, 0 when none or
// when the call failed; never more than the buffer holds, whatever the count
// says.
template <typename Record, typename Enumerate>
DWORD EnumerateRecords(std::vector<BYTE>& buffer, Enumerate enumerate) {
  DWORD count = 0;
  BOOL ok = QueryWithGrowingBuffer(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
    return enumerate(data, size, needed, &count);
  });
  if (!ok) return 0;
  return std::min<DWORD>(count, static_cast<DWORD>(buffer.size() / sizeof(Record)));
}

// Names of the records of a spooler enumeration, copied out of its buffer.
template <typename Record, typename Enumerate>
std::vector<std::string> EnumeratedNames(Enumerate enumerate) {
  std::vector<BYTE> buffer;
  const DWORD count = EnumerateRecords<Record>(buffer, enumerate);
  const Record* records = reinterpret_cast<const Record*>(buffer.data());
  std::vector<std::string> names;
  for (DWORD i = 0; i < count; ++i) {
    if (records[i].pName && records[i].pName[0]) names.push_back(records[i].pName);
  }
  return names;
}

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
  return EnumerateRecords<PRINTER_INFO_2A>(buffer, [&](BYTE* data, DWORD size, DWORD* needed,
                                                       DWORD* count) {
    return Access().EnumPrintersA(flags, nullptr, 2, data, size, needed, count);
  });
}

}  // namespace vq
