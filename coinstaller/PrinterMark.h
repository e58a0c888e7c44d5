// Marking a local printer to start printing only after the last page is spooled.
#pragma once

// Sets PRINTER_ATTRIBUTE_QUEUED on every local printer named `printerName`
// (letter case ignored) whose driver the spooler can describe. Returns the
// number of printers written back; failures are skipped.
int MarkPrinterQueued(const char* printerName);
