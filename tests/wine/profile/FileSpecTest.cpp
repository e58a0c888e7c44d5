// Folder ids resolved against Wine's real folders and spooler, and the path
// handling of CFileSpec.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/wine/core/WineTestSupport.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/AccessLayer.h"

using namespace vq;

namespace {

const COsVersion kNT(COsVersion::kPlatformNT, COsVersion::kVersionXP);
const COsVersion kWin32s(COsVersion::kPlatformWin32s, COsVersion::kVersionWin32s);

std::string Folder(int id, const COsVersion& os = kNT) {
  CFileSpec file(os);
  EXPECT_EQ(file.SetFolder(id), 1);
  return file.FullPath();
}

bool IsFolder(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CurrentDirectory() {
  char dir[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof(dir), dir);
  return dir;
}

// An access layer whose folder queries answer with a chosen buffer.
class CFolderLayer : public CAccessLayer {
 public:
  BOOL result = TRUE;
  std::string text;       // copied without its zero when `terminate` is false
  bool terminate = true;
  std::string lastEnvironment = "<none>";

  BOOL GetPrinterDriverDirectoryA(LPSTR, LPSTR env, DWORD, LPBYTE buffer, DWORD size,
                                  LPDWORD needed) override {
    return Answer(env, buffer, size, needed);
  }
  BOOL GetPrintProcessorDirectoryA(LPSTR, LPSTR env, DWORD, LPBYTE buffer, DWORD size,
                                   LPDWORD needed) override {
    return Answer(env, buffer, size, needed);
  }

 private:
  BOOL Answer(LPSTR env, LPBYTE buffer, DWORD size, LPDWORD needed) {
    lastEnvironment = env ? env : "<none>";
    std::memset(buffer, 'x', size);
    std::size_t n = text.size() < size ? text.size() : size;
    std::memcpy(buffer, text.data(), n);
    if (terminate && n < size) buffer[n] = 0;
    *needed = static_cast<DWORD>(text.size() + 1);
    return result;
  }
};

}  // namespace

TEST(FolderIds, SystemFoldersOfThePrefix) {
  EXPECT_TRUE(EqualNoCase(Folder(kFolderWindows), "C:\\windows\\"));
  EXPECT_TRUE(EqualNoCase(Folder(kFolderSystem), "C:\\windows\\system32\\"));
  const std::string temp = Folder(kFolderTemp);
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(IsFolder(temp)) << temp;
  EXPECT_TRUE(EqualNoCase(Folder(kFolderFonts), "C:\\windows\\Fonts\\"));
}

TEST(FolderIds, ProgramFileAndFolder) {
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, sizeof(self));
  CFileSpec file(kNT);
  file.SetFolder(kFolderProgramFile);
  EXPECT_STREQ(file.FullPath(), self);
  EXPECT_TRUE(EqualNoCase(file.Extension(), ".exe"));
  file.SetFolder(kFolderProgram);
  EXPECT_EQ(file.FullPath(), ProgramFolder());
  EXPECT_STREQ(file.Name(), "");
  EXPECT_EQ(SettingsFileName(), ProgramFolder() + "Qunz__02.unm");
}

TEST(FolderIds, PrinterDriverAndProcessorFoldersFromTheSpooler) {
  const std::string driver = Folder(kFolderPrinterDriver);
  // The spooler's own environment: "Windows NT x86" for a 32-bit program.
  const char* own = sizeof(void*) == 8 ? "x64" : "w32x86";
  EXPECT_TRUE(EqualNoCase(driver, std::string("C:\\windows\\system32\\spool\\drivers\\") + own + "\\"))
      << driver;
  const std::string win40 = Folder(kFolderPrinterDriverW40);
  EXPECT_TRUE(EqualNoCase(win40, "C:\\windows\\system32\\spool\\drivers\\win40\\")) << win40;
  const std::string processor = Folder(kFolderPrintProcessor);
  EXPECT_FALSE(processor.empty());
  EXPECT_EQ(processor.back(), '\\');
  EXPECT_EQ(Folder(kFolderPrintProcessorW40), processor);  // not a "Windows 4.0" folder
  EXPECT_NE(processor, driver);
}

TEST(FolderIds, EnvironmentPassedToTheSpooler) {
  CFolderLayer layer;
  CAccessLayerOverride use(layer);
  layer.text = "D:\\drivers";
  EXPECT_EQ(Folder(kFolderPrinterDriverW40), "D:\\drivers\\");
  EXPECT_EQ(layer.lastEnvironment, "Windows 4.0");
  for (int id : {kFolderPrinterDriver, kFolderPrintProcessor, kFolderPrintProcessorW40}) {
    EXPECT_EQ(Folder(id), "D:\\drivers\\");
    EXPECT_EQ(layer.lastEnvironment, "<none>") << id;
  }
}

TEST(FolderIds, UnusableSpoolerAnswersGiveAnEmptyFolder) {
  CFolderLayer layer;
  CAccessLayerOverride use(layer);
  layer.result = FALSE;
  layer.text = "C:\\x";
  EXPECT_EQ(Folder(kFolderPrinterDriver), "");
  layer.result = TRUE;
  layer.text = "";  // an empty folder does not become a bare backslash
  EXPECT_EQ(Folder(kFolderPrinterDriver), "");
  layer.text = std::string(300, 'a');  // fills the buffer with no terminating zero
  layer.terminate = false;
  EXPECT_EQ(Folder(kFolderPrintProcessor), "");
  layer.terminate = true;
  layer.text = "C:\\" + std::string(256, 'b');  // 259 characters: no room for the backslash
  EXPECT_EQ(Folder(kFolderPrinterDriver), "");
  layer.text = "C:\\" + std::string(255, 'b') + "\\";  // 259 with its backslash: fits
  EXPECT_EQ(Folder(kFolderPrinterDriver), layer.text);
}

TEST(FolderIds, ColorFolderFromTheColourLibrary) {
  const std::string color = Folder(kFolderColor);
  EXPECT_TRUE(EqualNoCase(color, "C:\\windows\\system32\\spool\\drivers\\color\\")) << color;
}

TEST(FolderIds, ColorFolderWithoutTheColourLibraryIsCreatedBelowTheSystemFolder) {
  const std::string expected = Folder(kFolderSystem) + "Color\\";
  RemoveDirectoryA(expected.c_str());
  const std::string before = CurrentDirectory();
  EXPECT_EQ(Folder(kFolderColor, kWin32s), expected);
  EXPECT_TRUE(IsFolder(expected));
  EXPECT_EQ(CurrentDirectory(), before);
  EXPECT_EQ(Folder(kFolderColor, kWin32s), expected);  // an existing one is used as it is
}

TEST(FolderIds, ShellFolders) {
  const std::string desktop = Folder(kFolderDesktop);
  EXPECT_TRUE(IsFolder(desktop)) << desktop;
  EXPECT_TRUE(EqualNoCase(desktop.substr(desktop.size() - 9), "\\Desktop\\")) << desktop;
  EXPECT_TRUE(IsFolder(Folder(kFolderPersonal)));
  EXPECT_TRUE(IsFolder(Folder(kFolderStartup)));
  EXPECT_TRUE(IsFolder(Folder(kFolderCommonPrograms)));
  EXPECT_TRUE(EqualNoCase(Folder(kFolderProgramFiles), "C:\\Program Files\\"));
  EXPECT_EQ(Folder(kFolderPrinters), "");  // a virtual folder has no path
  const int shellIds[] = {6, 7, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,
                          30, 31, 32};
  for (int id : shellIds) {
    const std::string path = Folder(id);
    if (!path.empty()) {
      EXPECT_EQ(path.back(), '\\') << id;
    }
    EXPECT_EQ(Folder(id, kWin32s), "") << id;  // the shell is not asked on Win32s
  }
}

TEST(FolderIds, CurrentDirectory) {
  const std::string before = CurrentDirectory();
  const std::string dir = MakeTempFolder("cwd");
  ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
  EXPECT_TRUE(EqualNoCase(Folder(kFolderCurrent), dir));
  SetCurrentDirectoryA(before.c_str());
}

TEST(FolderIds, TempFileIsANewEmptyFileEachCall) {
  CFileSpec first(kNT), second(kNT);
  first.SetFolder(kFolderTempFile);
  second.SetFolder(kFolderTempFile);
  const std::string a = first.FullPath(), b = second.FullPath();
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a, b);
  EXPECT_TRUE(EqualNoCase(first.FolderPath(), Folder(kFolderTemp)));
  EXPECT_EQ(std::string(first.Name()).substr(0, 2), "~~");
  for (const std::string& path : {a, b}) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) << path;
    EXPECT_EQ(data.nFileSizeLow, 0u);
    DeleteFileA(path.c_str());
  }
}

TEST(FolderIds, NoFolderForZeroAndUnknownIds) {
  for (int id : {0, 35, -1, 1000}) {
    CFileSpec file(kNT);
    file.SetFolder(kFolderWindows);
    EXPECT_EQ(file.SetFolder(id), 1);
    EXPECT_STREQ(file.FullPath(), "") << id;
    EXPECT_STREQ(file.Drive(), "");
    EXPECT_STREQ(file.Directory(), "");
  }
}

TEST(FolderVariables, ResolveToTheirFolders) {
  auto folderOf = [&](const char* name) {
    for (const FolderVariable& v : kFolderVariables)
      if (std::strcmp(v.name, name) == 0) return Folder(v.id);
    ADD_FAILURE() << "no variable " << name;
    return std::string();
  };
  EXPECT_TRUE(EqualNoCase(folderOf("WINDIR"), "C:\\windows\\"));
  EXPECT_TRUE(EqualNoCase(folderOf("SYSDIR"), "C:\\windows\\system32\\"));
  EXPECT_EQ(folderOf("COLORDIR"), Folder(kFolderColor));
  EXPECT_FALSE(folderOf("PRINTPROCDIR").empty());
  EXPECT_EQ(folderOf("PRINTPROCDIR_W40"), folderOf("PRINTPROCDIR"));
  EXPECT_FALSE(folderOf("PRINTDRIVERDIR_W40").empty());
  EXPECT_NE(folderOf("PRINTDRIVERDIR_W40"), folderOf("PRINTDRIVERDIR"));
}

TEST(FileSpecPath, SplitAndRebuild) {
  CFileSpec file(kNT);
  file.SetPath("C:\\dir\\sub/file.tar.gz");
  EXPECT_STREQ(file.Drive(), "C:");
  EXPECT_STREQ(file.Directory(), "\\dir\\sub/");
  EXPECT_STREQ(file.Name(), "file.tar");
  EXPECT_STREQ(file.Extension(), ".gz");
  EXPECT_STREQ(file.FullPath(), "C:\\dir\\sub/file.tar.gz");
  EXPECT_STREQ(file.FolderPath(), "C:\\dir\\sub/");
  file.SetPath("\\\\server\\share\\.profile");
  EXPECT_STREQ(file.Drive(), "");
  EXPECT_STREQ(file.Directory(), "\\\\server\\share\\");
  EXPECT_STREQ(file.Name(), "");
  EXPECT_STREQ(file.Extension(), ".profile");
  file.SetPath("noext");
  EXPECT_STREQ(file.Name(), "noext");
  EXPECT_STREQ(file.FolderPath(), "");
  file.SetPath(("C:\\" + std::string(300, 'a')).c_str());  // too long for a field
  EXPECT_STREQ(file.FullPath(), "");
  EXPECT_STREQ(file.Name(), "");
}

TEST(FileSpecPath, AppendSubfolder) {
  CFileSpec file(kNT);
  file.SetFolder(kFolderPrinterDriver);
  const std::string driver = file.FullPath();
  EXPECT_EQ(std::string(file.AppendSubfolder("3")), driver + "3\\");
  EXPECT_EQ(std::string(file.AppendSubfolder("")), driver + "3\\");  // an empty name: no change
  file.SetPath("C:\\dir\\file.txt");
  EXPECT_STREQ(file.AppendSubfolder("sub\\"), "C:\\dir\\sub\\file.txt");
  file.SetPath("C:");
  EXPECT_STREQ(file.AppendSubfolder("x"), "C:\\x\\");
  CFileSpec empty(kNT);
  empty.SetFolder(kFolderNone);
  EXPECT_STREQ(empty.AppendSubfolder("3"), "");  // not "\3\" at the root of the current drive
  file.SetPath(("C:\\" + std::string(250, 'a') + "\\").c_str());
  EXPECT_STREQ(file.AppendSubfolder(std::string(10, 'b').c_str()), "");  // would not fit
  EXPECT_STREQ(file.FullPath(), ("C:\\" + std::string(250, 'a') + "\\").c_str());
}

TEST(FileSpecPath, SearchAndFileExists) {
  const std::string dir = MakeTempFolder("search");
  ASSERT_TRUE(WriteFileText(dir + "QDRV.DLL", "x"));
  CFileSpec file(kNT);
  file.SetPath("qdrv.dll");
  EXPECT_FALSE(file.FileExists());  // not in the current directory
  ASSERT_TRUE(file.Search(dir.c_str()));
  EXPECT_TRUE(EqualNoCase(file.FullPath(), dir + "QDRV.DLL"));
  EXPECT_TRUE(file.FileExists());
  CFileSpec missing(kNT);
  missing.SetPath("nothere.dll");
  EXPECT_FALSE(missing.Search(dir.c_str()));
  EXPECT_STREQ(missing.FullPath(), "nothere.dll");
  missing.SetPath((dir + "nothere.dll").c_str());
  EXPECT_FALSE(missing.FileExists());
  missing.SetPath(dir.c_str());  // a folder is no file
  EXPECT_FALSE(missing.FileExists());
}

TEST(FileSpecPath, EnsureTrailingBackslash) {
  char text[8] = "";
  EXPECT_TRUE(EnsureTrailingBackslash(text, sizeof(text)));
  EXPECT_STREQ(text, "");
  std::strcpy(text, "C:\\a");
  EXPECT_TRUE(EnsureTrailingBackslash(text, sizeof(text)));
  EXPECT_STREQ(text, "C:\\a\\");
  EXPECT_TRUE(EnsureTrailingBackslash(text, sizeof(text)));
  EXPECT_STREQ(text, "C:\\a\\");
  std::strcpy(text, "C:\\abcd");  // 7 characters: no room for an eighth
  EXPECT_FALSE(EnsureTrailingBackslash(text, sizeof(text)));
  EXPECT_STREQ(text, "C:\\abcd");
}
