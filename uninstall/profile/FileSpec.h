// CFileSpec: one path held as drive, directory, file name and extension,
// set from a numeric folder id (the places where the maker's software lives)
// or from a path text, and rebuilt into a work buffer on demand.
//
// Every text is a fixed field of 260 bytes. A folder the system cannot give
// (a failing call, a text that does not fit) leaves the object empty: folder
// resolution never fails as such, and an empty folder stays empty.
#pragma once

#include <string>

#include "uninstall/system/OsVersion.h"

namespace vq {

enum FolderId : int {
  kFolderNone = 0,
  kFolderProgramFile = 1,  // a file path: the program's own file
  kFolderProgram = 2,
  kFolderWindows = 3,
  kFolderSystem = 4,
  kFolderTemp = 5,
  kFolderDesktop = 6,
  kFolderFavorites = 7,
  kFolderTempFile = 8,  // a file path: a new "~~" file in the temporary folder
  kFolderAppData = 9,
  kFolderInternetCache = 10,
  kFolderCookies = 11,
  kFolderFonts = 12,
  kFolderHistory = 13,
  kFolderNetHood = 14,
  kFolderPersonal = 15,
  kFolderPrintHood = 16,
  kFolderPrograms = 17,
  kFolderRecent = 18,
  kFolderSendTo = 19,
  kFolderStartMenu = 20,
  kFolderStartup = 21,
  kFolderAltStartup = 22,
  kFolderCommonStartup = 23,
  kFolderCommonAltStartup = 24,
  kFolderTemplates = 25,
  kFolderPrinterDriver = 26,     // current environment
  kFolderPrinterDriverW40 = 27,  // environment "Windows 4.0"
  kFolderPrintProcessor = 28,
  kFolderPrintProcessorW40 = 29,  // the same folder as 28 (current environment too)
  kFolderProgramFiles = 30,
  kFolderPrinters = 31,
  kFolderCommonPrograms = 32,
  kFolderColor = 33,
  kFolderCurrent = 34,
  kFolderLast = kFolderCurrent
};

// The folder variables the extra-information dialog shows, with their ids.
struct FolderVariable {
  const char* name;
  FolderId id;
};
constexpr int kFolderVariableCount = 7;
extern const FolderVariable kFolderVariables[kFolderVariableCount];

class CFileSpec {
 public:
  static constexpr unsigned kTextSize = 260;  // 259 characters and the zero

  // Platform branches (the shell and colour folders are not asked on Win32s)
  // follow the running system, or the given codes.
  CFileSpec();
  explicit CFileSpec(const COsVersion& os);

  // Clears the object and sets it to the folder (or, for ids 1 and 8, the file)
  // of `id`. Always 1; ids outside 1..34 and failing calls leave it empty.
  int SetFolder(int id);
  // Clears the object and sets it to the shell's special folder `csidl`, for
  // folders that have no folder id (those the guards keep); empty where the
  // shell does not know it.
  void SetShellFolder(int csidl);
  // Clears the object and sets it to the spooler's driver (or print
  // processor) folder of `environment` (null: the spooler's own).
  void SetSpoolerFolder(bool printProcessor, const char* environment);

  // Splits `path` into drive ("X:"), directory (up to and including the last
  // backslash or slash), file name and extension (from the last dot of the
  // name on, dot included). A path over 259 characters leaves all four empty.
  void SetPath(const char* path);
  void Clear();

  // Drive + directory + name + extension, rebuilt into the work buffer; the
  // result stays valid until the next rebuild. Empty when the parts together
  // do not fit in 259 characters (a cut path could name another file).
  const char* FullPath();
  // Drive + directory, rebuilt into the work buffer.
  const char* FolderPath();
  // Adds the folder `name` below the directory (with backslashes around it as
  // needed) and returns the full path. An empty name changes nothing, and so
  // does an object with no drive and no directory (an empty folder must not
  // become "\name\" at the root of the current drive). A result that would
  // not fit leaves the directory as it was and returns "".
  const char* AppendSubfolder(const char* name);

  // Looks for the held name and extension along `searchPath` (the system's
  // path search); when found, the object takes the found full path.
  bool Search(const char* searchPath);
  // Whether the full path opens as an existing file (no access, no sharing).
  bool FileExists();

  const char* Drive() const { return drive_; }
  const char* Directory() const { return dir_; }
  const char* Name() const { return name_; }
  const char* Extension() const { return ext_; }

 private:
  void SetFolderText(const char* folder);
  void ResolveShellFolder(int csidl);
  void ResolveSpoolerFolder(bool printProcessor, const char* environment);
  void ResolveColorFolder();
  void ResolveTempFile();
  const char* Rebuild(bool withFile);

  COsVersion os_;
  char drive_[kTextSize];
  char dir_[kTextSize];
  char name_[kTextSize];
  char ext_[kTextSize];
  char work_[kTextSize];
};

// Appends a backslash when `text` does not end with one (an empty text gets
// none: an empty folder stays empty). Returns false, leaving `text` as it was,
// when the result would not fit in `size` bytes.
bool EnsureTrailingBackslash(char* text, unsigned size);

// The settings file: the program's own folder followed by "Qunz__02.unm";
// empty when the program's path cannot be had.
std::string SettingsFileName();

}  // namespace vq
