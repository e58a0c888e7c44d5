#include "coinstaller/PrinterMark.h"

#include "coinstaller/Handles.h"

namespace
{
bool MarkOne(PRINTER_INFO_2A& info)
{
    CPrinter printer;
    if (!printer.Open(info.pPrinterName, NULL))
        return false;
    // The driver description is not used, but a printer whose driver the
    // spooler cannot describe is left alone.
    CHeapBuffer driver;
    if (!QueryVariableSize(driver, [&](BYTE* data, DWORD size, DWORD* needed) {
            return GetPrinterDriverA(printer.Get(), NULL, 2, data, size, needed);
        }))
        return false;
    // A printer that is already marked is written back unchanged.
    info.Attributes |= PRINTER_ATTRIBUTE_QUEUED;
    return SetPrinterA(printer.Get(), 2, reinterpret_cast<BYTE*>(&info), 0) != FALSE;
}
}

int MarkPrinterQueued(const char* printerName)
{
    if (!printerName)
        return 0;
    CHeapBuffer printers;
    DWORD count = 0;
    if (!QueryVariableSize(printers, [&](BYTE* data, DWORD size, DWORD* needed) {
            return EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, data, size, needed, &count);
        }))
        return 0;
    PRINTER_INFO_2A* info = reinterpret_cast<PRINTER_INFO_2A*>(printers.Data());
    int marked = 0;
    for (DWORD i = 0; i < count; ++i)
    {
        if (info[i].pPrinterName && lstrcmpiA(info[i].pPrinterName, printerName) == 0
            && MarkOne(info[i]))
            ++marked;
    }
    return marked;
}
