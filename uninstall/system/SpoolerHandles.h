// RAII owners for the handles the access layer hands out: a printer (given
// back with ClosePrinter) and a registry key (given back with RegCloseKey),
// both through the layer that opened them.
#pragma once

#include <windows.h>

#include <vector>

#include "uninstall/system/AccessLayer.h"

namespace vq {

class CPrinter {
 public:
  CPrinter() = default;
  ~CPrinter() { Close(); }
  CPrinter(const CPrinter&) = delete;
  CPrinter& operator=(const CPrinter&) = delete;

  // OpenPrinterA with the given access right, no data type and no device mode.
  bool Open(const char* name, ACCESS_MASK access) {
    Close();
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, access};
    HANDLE h = nullptr;
    if (!Access().OpenPrinterA(const_cast<char*>(name), &h, &defaults)) return false;
    handle_ = h;
    return true;
  }
  // The same by the printer's wide name (the NT family).
  bool OpenWide(const wchar_t* name, ACCESS_MASK access) {
    Close();
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
    HANDLE h = nullptr;
    if (!Access().OpenPrinterW(const_cast<wchar_t*>(name), &h, &defaults)) return false;
    handle_ = h;
    return true;
  }
  void Close() {
    if (handle_) Access().ClosePrinter(handle_);
    handle_ = nullptr;
  }
  HANDLE Get() const { return handle_; }
  bool IsOpen() const { return handle_ != nullptr; }

 private:
  HANDLE handle_ = nullptr;
};

class CRegKey {
 public:
  CRegKey() = default;
  ~CRegKey() { Close(); }
  CRegKey(const CRegKey&) = delete;
  CRegKey& operator=(const CRegKey&) = delete;

  // `view` (KEY_WOW64_64KEY or KEY_WOW64_32KEY, 64-bit Windows only) picks
  // the registry view; 0 opens as every Windows does.
  LONG Open(HKEY parent, const char* subKey, REGSAM view = 0) {
    Close();
    if (view) return Access().RegOpenKeyExA(parent, subKey, 0, MAXIMUM_ALLOWED | view, &key_);
    return Access().RegOpenKeyA(parent, subKey, &key_);
  }
  LONG OpenEx(HKEY parent, const char* subKey, REGSAM access) {
    Close();
    return Access().RegOpenKeyExA(parent, subKey, 0, access, &key_);
  }
  // Opens the key, made when missing (RegCreateKeyExA: making keys is no
  // change the removal makes, so it goes to the system directly).
  LONG Create(HKEY parent, const char* subKey, REGSAM access) {
    Close();
    return ::RegCreateKeyExA(parent, subKey, 0, nullptr, 0, access, nullptr, &key_, nullptr);
  }
  void Close() {
    if (key_) Access().RegCloseKey(key_);
    key_ = nullptr;
  }
  HKEY Get() const { return key_; }
  bool IsOpen() const { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};

// The two-call pattern of variable-size spooler queries: `call(buffer, size,
// &needed)` is asked with the buffer as it stands, the buffer grows to the
// size the spooler names, and the call is repeated while that size keeps
// growing (a printer added between the calls). Returns the last result.
template <typename Call>
BOOL QueryWithGrowingBuffer(std::vector<BYTE>& buffer, Call call) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD needed = 0;
    BOOL ok = call(buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(buffer.size()),
                   &needed);
    if (ok) return ok;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) return ok;
    buffer.resize(needed);
  }
  return FALSE;
}

}  // namespace vq
