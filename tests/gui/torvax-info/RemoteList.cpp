#include "tests/gui/torvax-info/RemoteList.h"

#include <commctrl.h>

namespace gui {

namespace {

// One record's worth of memory in the list's process, freed when this goes.
class CRemoteRecord {
 public:
  CRemoteRecord(HWND window, SIZE_T size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_)
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~CRemoteRecord() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  CRemoteRecord(const CRemoteRecord&) = delete;
  CRemoteRecord& operator=(const CRemoteRecord&) = delete;

  bool Valid() const { return address_ != nullptr; }
  LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }
  bool Write(const void* data, SIZE_T size) const {
    return WriteProcessMemory(process_, address_, data, size, nullptr) != FALSE;
  }
  bool Read(void* data, SIZE_T size) const {
    return ReadProcessMemory(process_, address_, data, size, nullptr) != FALSE;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

bool SetState(HWND list, const CRemoteRecord& remote, int row, UINT state) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = state;
  return remote.Write(&item, sizeof(item)) &&
         SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), remote.Address()) != 0;
}

}  // namespace

RECT ItemLabelRect(HWND list, int row) {
  RECT rect = {};
  CRemoteRecord remote(list, sizeof(RECT));
  if (!remote.Valid()) return rect;
  RECT request = {LVIR_LABEL, 0, 0, 0};
  if (!remote.Write(&request, sizeof(request)) ||
      !SendMessageA(list, LVM_GETITEMRECT, row, remote.Address()) || !remote.Read(&rect, sizeof(rect)))
    return RECT{};
  return rect;
}

bool ReplaceSelection(HWND list, const std::vector<int>& rows) {
  CRemoteRecord remote(list, sizeof(LVITEMA));
  if (!remote.Valid() || !SetState(list, remote, -1, 0)) return false;
  bool first = true;
  for (int row : rows) {
    if (!SetState(list, remote, row, LVIS_SELECTED | (first ? LVIS_FOCUSED : 0))) return false;
    first = false;
  }
  return true;
}

}  // namespace gui
