// CStringTable: the tool's resource strings, in four rotating 512-character
// slots. A text stays valid until four more have been loaded through the same
// object. A string of the form "@file@section@key" is read from that INI file
// instead (so a text can be changed without rebuilding the tool).
#pragma once

#include <windows.h>

namespace vq {

class CStringTable {
 public:
  static constexpr int kSlotSize = 512;
  static constexpr int kSlotCount = 4;

  explicit CStringTable(HINSTANCE instance = nullptr);

  // The text of string `id`; empty when the id is missing.
  const char* Load(UINT id);
  // Set a window's or a dialog item's text; nothing when the text is empty.
  void SetWindowTextFrom(HWND window, UINT id);
  void SetItemTextFrom(HWND dialog, int item, UINT id);

 private:
  char* NextSlot();
  const char* ReadRedirected(char* text);

  HINSTANCE instance_;
  int slot_ = 0;
  char slots_[kSlotCount][kSlotSize] = {};
};

}  // namespace vq
