// RAII owners for the Win32 handles the tool uses: each owns exactly one
// handle and releases it with the matching API call. And a whole write to a
// file handle.
#pragma once

#include <windows.h>

#include <string>

namespace vq {

template <typename Traits>
class CHandleOwner {
 public:
  using Type = typename Traits::Type;
  CHandleOwner() : h_(Traits::Invalid()) {}
  explicit CHandleOwner(Type h) : h_(h) {}
  ~CHandleOwner() { Close(); }
  CHandleOwner(const CHandleOwner&) = delete;
  CHandleOwner& operator=(const CHandleOwner&) = delete;
  CHandleOwner(CHandleOwner&& o) noexcept : h_(o.Detach()) {}
  CHandleOwner& operator=(CHandleOwner&& o) noexcept {
    if (this != &o) Attach(o.Detach());
    return *this;
  }

  bool IsValid() const { return h_ != Traits::Invalid(); }
  Type Get() const { return h_; }
  void Attach(Type h) {
    Close();
    h_ = h;
  }
  Type Detach() {
    Type h = h_;
    h_ = Traits::Invalid();
    return h;
  }
  void Close() {
    if (IsValid()) Traits::Release(h_);
    h_ = Traits::Invalid();
  }

 private:
  Type h_;
};

struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(Type h) { CloseHandle(h); }
};
struct KernelHandleTraits {  // processes, mutexes, events: null when absent
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Release(Type h) { CloseHandle(h); }
};
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(Type h) { FindClose(h); }
};
struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Release(Type h) { FreeLibrary(h); }
};

struct WindowTraits {  // windows the tool creates itself, outside any dialog
  using Type = HWND;
  static Type Invalid() { return nullptr; }
  static void Release(Type h) { DestroyWindow(h); }
};

using CFileHandle = CHandleOwner<FileHandleTraits>;
using CKernelHandle = CHandleOwner<KernelHandleTraits>;
using CFindHandle = CHandleOwner<FindHandleTraits>;
using CModule = CHandleOwner<ModuleTraits>;
using CWindow = CHandleOwner<WindowTraits>;

// Writes all of `content` to `file` and flushes it: a short write is a failure.
inline bool WriteAll(HANDLE file, const std::string& content) {
  for (std::size_t done = 0; done < content.size();) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(content.size() - done);
    if (!WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return FlushFileBuffers(file) != FALSE;
}

// A file or folder is at `path`.
inline bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The whole file at `path` (shared for reading and writing, as another
// program may hold it); `ok` false when it cannot be opened or read, or is
// larger than `limit` bytes.
inline std::string ReadWholeFile(const std::string& path, bool& ok,
                                 std::size_t limit = std::size_t(256) << 20) {
  std::string bytes;
  ok = false;
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return bytes;
  char block[65536];
  DWORD read = 0;
  while (ReadFile(file.Get(), block, sizeof(block), &read, nullptr) && read > 0) {
    bytes.append(block, read);
    if (bytes.size() > limit) return std::string();
  }
  ok = true;
  return bytes;
}

}  // namespace vq
