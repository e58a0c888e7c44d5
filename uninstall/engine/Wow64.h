// What 64-bit Windows adds to a run. There the shipped 32-bit tool runs under
// WOW64: the spooler has a "Windows x64" environment beside "Windows NT x86",
// the tool's "System32" is the 32-bit system folder while 64-bit installers
// put their files in the real one, and HKLM\SOFTWARE (with the classes root)
// has a 64-bit and a 32-bit view. On 32-bit Windows every function here
// answers what the tool always did.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "uninstall/system/OsVersion.h"

namespace vq {

extern const char kEnvironmentX64[];  // "Windows x64"

// A 32-bit program on 64-bit Windows.
bool RunsUnderWow64(const COsVersion& os);

// The print environments the driver, monitor and print-processor phases
// handle, in order: the spooler's own (null), "Windows NT x86", on 64-bit
// Windows "Windows x64", and "Windows 4.0".
std::vector<const char*> PrintEnvironments(const COsVersion& os);

// The registry views every item of the maker is looked for in: the one view
// (0) of 32-bit Windows; KEY_WOW64_64KEY then KEY_WOW64_32KEY on 64-bit
// Windows. A key outside the redirected parts is the same key in both.
std::vector<REGSAM> RegistryViews(const COsVersion& os);

// How the log qualifies a registry target of `view`: "" for 0,
// " (64-bit view)", " (32-bit view)".
const char* ViewText(REGSAM view);

// The system's own Windows folder, with a trailing backslash: the parent of
// the system folder. (On a terminal server GetWindowsDirectoryA gives a
// program that does not declare itself aware of it a folder of the user's.)
std::string SystemWindowsFolder();

// The system folder of the other bitness, with a trailing backslash: for a
// 32-bit program on 64-bit Windows the real one ("%windir%\Sysnative\"), for
// a 64-bit program the 32-bit one (SysWOW64). Empty on 32-bit Windows and
// where the folder cannot be reached (Windows XP x64 without Sysnative).
std::string OtherSystemFolder(const COsVersion& os);

// A file path as the log shows it and as Windows reads it at the next start:
// under WOW64 the native spelling (System32 for Sysnative, SysWOW64 for a
// redirected System32), elsewhere `path` itself.
std::string NativePath(const COsVersion& os, const std::string& path);

// Switches file-system redirection off for this thread until destroyed, so
// that native paths mean what they say. Nothing happens outside WOW64 or
// where the system lacks the functions. Keep it around single file
// operations: a library loaded meanwhile would be the 64-bit one.
class CFsRedirectionOff {
 public:
  explicit CFsRedirectionOff(const COsVersion& os);
  ~CFsRedirectionOff();
  CFsRedirectionOff(const CFsRedirectionOff&) = delete;
  CFsRedirectionOff& operator=(const CFsRedirectionOff&) = delete;

 private:
  void* previous_ = nullptr;
  bool off_ = false;
};

}  // namespace vq
