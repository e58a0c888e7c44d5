// What the backup writes into a manifest entry and the undo reads back out:
// texts, bytes and times in the manifest's forms, and the records of the
// machine (files, drivers, services, keys) as items.
//
// Texts: the tool's 8-bit texts (the system's ANSI code page, Windows-1252
// here) go in as UTF-8 through a mapping of every byte, so that they come
// back byte for byte; a printer's own wide texts go in as UTF-8 and come
// back as wide texts. Bytes (registry data, device modes, security
// descriptors, printer data) go in as lower-case hexadecimal; times as
// "high:low" of a FILETIME.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "uninstall/profile/BackupManifest.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

ManifestJson AnsiJson(const std::string& text);
// The 8-bit text of a JSON string written by AnsiJson; empty when it is not one.
std::string AnsiOf(const ManifestJson& value);

std::string WideToUtf8(const wchar_t* text);
std::wstring Utf8ToWide(const std::string& text);

std::string HexOf(const void* data, std::size_t size);
// False when `hex` is not an even count of hexadecimal digits.
bool BytesOfHex(const std::string& hex, std::string& bytes);

std::string FileTimeText(const FILETIME& time);
bool FileTimeOf(const std::string& text, FILETIME& time);

// A file about to go: its path, attributes and times; `scheduled` when its
// deletion waits for the next start; `native` when its path is the native
// one, read with the file-system redirection of WOW64 switched off.
ManifestJson FileItem(const std::string& path, const WIN32_FIND_DATAA& found, bool scheduled,
                      bool native);
// Whether a deletion scheduled now names the file by its native path (the
// tool under WOW64 schedules with the redirection off).
bool RunsUnderWow64Native(const COsVersion& os, bool scheduled);

// A printer driver's record and the full paths of every file it names.
ManifestJson DriverItem(const DRIVER_INFO_3A& driver, const char* environment);
std::vector<std::string> DriverFilePaths(const DRIVER_INFO_3A& driver);

// A library in the system folder; empty for a name that is not a plain file name.
std::string SystemFolderPath(const std::string& name);
// <Windows>\inf\, with a trailing backslash.
std::string WindowsInfFolder();
// The library a print processor's key names ("Driver"); empty when none.
std::string PrintProcessorLibrary(const COsVersion& os, const char* environment,
                                  const std::string& processor);

// "HKLM", "HKCU", "HKCR", "HKU" for the predefined keys, else null; and back.
const char* RootName(HKEY key);
HKEY RootKey(const std::string& name);
REGSAM ViewOf(const std::string& name);  // "64-bit", "32-bit", ""

// A service's configuration (QueryServiceConfig, and its description where
// the system has it); false when it cannot be read.
bool ServiceItem(SC_HANDLE service, const std::string& name, ManifestJson& item);

}  // namespace vq
