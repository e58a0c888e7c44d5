// Finding and deleting INI entries in real files: files held open by others
// left alone, the replacement done in one step where MoveFileExA exists and
// through a backup where it does not (Windows 9x), the original never lost
// and nothing left behind. Which lines match is the native IniText tests'.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/wine/core/WineTestSupport.h"
#include "uninstall/engine/IniLineEdit.h"
#include "uninstall/system/AccessLayer.h"

using namespace vq;

namespace {

const char kIni[] =
    "[windows]\r\n"
    "load=\r\n"
    "[Devices]\r\n"
    ";VARDEN vintara=old,LPT1:\r\n"
    "VARDEN vintara=QDRV,LPT1:\r\n"
    "Other=x\r\n"
    "VARDEN vintara=QDRV,LPT2:\r\n"
    "[Ports]\r\n"
    "COM9:=\r\n";

// The file system's identity of a file (its index), 0 when unknown.
ULONGLONG FileIdentity(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  BY_HANDLE_FILE_INFORMATION info = {};
  BOOL ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  return ok ? (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow : 0;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

// A folder holding one INI file with the given content.
struct IniFixture {
  std::string folder, path;
  explicit IniFixture(const std::string& content, const char* tag = "ini") {
    folder = MakeTempFolder(tag);
    path = folder + "test.ini";
    EXPECT_TRUE(WriteFileText(path, content));
  }
};

}  // namespace

TEST(FindKeyInSection, OffsetOfTheEntrysLineInTheNamedSection) {
  IniFixture f(kIni);
  const std::string text(kIni);
  EXPECT_EQ(FindKeyInSection(f.path, "devices", " varden VINTARA "),
            text.find("\r\nVARDEN vintara=QDRV,LPT1") + 2);
  EXPECT_EQ(FindKeyInSection(f.path, "windows", "load"), text.find("load="));
  EXPECT_EQ(FindKeyInSection(f.path, "Ports", "Other"), 0u);  // another section's entry
}

TEST(FindKeyInSection, MissingAndEmptyFiles) {
  IniFixture f("");
  EXPECT_EQ(FindKeyInSection(f.path, "A", "key"), 0u);
  EXPECT_EQ(FindKeyInSection(f.folder + "missing.ini", "A", "key"), 0u);
  EXPECT_EQ(FindKeyInSection(f.folder, "A", "key"), 0u);  // a folder
}

TEST(DeleteLineInSection, NothingFoundLeavesTheFileAsItWas) {
  IniFixture f(kIni);
  EXPECT_EQ(DeleteLineInSection(f.path, "Devices", "absent"), 0);
  EXPECT_EQ(DeleteLineInSection(f.path, "Nope", "Other"), 0);
  EXPECT_EQ(DeleteLineInSection(f.path, "Ports", "Other"), 0);  // another section's entry
  EXPECT_EQ(ReadFileText(f.path), std::string(kIni));
  IniFixture headerAtEnd("x=1\r\n[A]");
  EXPECT_EQ(DeleteLineInSection(headerAtEnd.path, "A", "x"), 0);
  IniFixture empty("", "emptyini");
  EXPECT_EQ(DeleteLineInSection(empty.path, "A", "x"), 0);
  EXPECT_EQ(DeleteLineInSection(empty.folder + "missing.ini", "A", "x"), 0);
  EXPECT_EQ(FilesIn(empty.folder), std::vector<std::string>{"test.ini"});
}

TEST(DeleteLineInSection, FileHeldOpenWithoutSharingIsNotChanged) {
  IniFixture f(kIni);
  HANDLE other = CreateFileA(f.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_EQ(DeleteLineInSection(f.path, "Devices", "Other"), 0);
  CloseHandle(other);
  EXPECT_EQ(ReadFileText(f.path), std::string(kIni));
  EXPECT_EQ(FilesIn(f.folder), std::vector<std::string>{"test.ini"});
}

TEST(DeleteLineInSection, FileAnotherHandleWritesIsNotChanged) {
  IniFixture f(kIni);
  HANDLE writer = CreateFileA(f.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(DeleteLineInSection(f.path, "Devices", "Other"), 0);
  CloseHandle(writer);
  EXPECT_EQ(ReadFileText(f.path), std::string(kIni));
}

TEST(DeleteLineInSection, FileThatCannotBeReplacedStaysAsItWas) {
  // A reader that shares reading and writing lets the file be opened, but
  // without delete sharing it cannot be replaced.
  IniFixture f(kIni);
  HANDLE reader = CreateFileA(f.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(DeleteLineInSection(f.path, "Devices", "Other"), 0);
  CloseHandle(reader);
  EXPECT_EQ(ReadFileText(f.path), std::string(kIni));
  EXPECT_EQ(FilesIn(f.folder), std::vector<std::string>{"test.ini"});
}

TEST(DeleteLineInSection, ReplacesTheFileInOneStep) {
  // The new content arrives as a new file moved over the old one (another
  // file identity), never by rewriting the old file's bytes in place; the
  // original's hidden mark goes with it.
  IniFixture f(kIni);
  const ULONGLONG before = FileIdentity(f.path);
  ASSERT_NE(before, 0u);
  SetFileAttributesA(f.path.c_str(), FILE_ATTRIBUTE_HIDDEN);
  ASSERT_EQ(DeleteLineInSection(f.path, "Devices", "Other"), 1);
  std::string expected(kIni);
  expected.erase(expected.find("Other=x\r\n"), 9);
  EXPECT_EQ(ReadFileText(f.path), expected);
  EXPECT_NE(FileIdentity(f.path), before);
  EXPECT_EQ(GetFileAttributesA(f.path.c_str()) & FILE_ATTRIBUTE_HIDDEN,
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(FilesIn(f.folder), std::vector<std::string>{"test.ini"});
}

namespace {

// Windows 95, 98 and Me: no MoveFileExA. `failSecondMove` makes the move of
// the new file into place fail, as a full disk or a crash at that moment would.
class CNinetyEightFiles : public CAccessLayer {
 public:
  explicit CNinetyEightFiles(bool failSecondMove) : failSecondMove_(failSecondMove) {}
  BOOL MoveFileExA(LPCSTR, LPCSTR, DWORD) override {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  BOOL MoveFileA(LPCSTR from, LPCSTR to) override {
    if (++moves == 2 && failSecondMove_) {
      SetLastError(ERROR_DISK_FULL);
      return FALSE;
    }
    return CAccessLayer::MoveFileA(from, to);
  }
  int moves = 0;

 private:
  bool failSecondMove_;
};

}  // namespace

TEST(DeleteLineInSection, WithoutMoveFileExTheOriginalBecomesABackupUntilTheNewFileIsInPlace) {
  IniFixture f(kIni);
  {
    CNinetyEightFiles layer(false);
    CAccessLayerOverride seam(layer);
    ASSERT_EQ(DeleteLineInSection(f.path, "Devices", "Other"), 1);
    EXPECT_EQ(layer.moves, 2);  // the original aside, the new file in its place
  }
  std::string expected(kIni);
  expected.erase(expected.find("Other=x\r\n"), 9);
  EXPECT_EQ(ReadFileText(f.path), expected);
  EXPECT_EQ(FilesIn(f.folder), std::vector<std::string>{"test.ini"});  // the backup is gone

  // When the new file cannot be put in place, the original comes back whole.
  IniFixture g(kIni, "ini9x");
  {
    CNinetyEightFiles layer(true);
    CAccessLayerOverride seam(layer);
    EXPECT_EQ(DeleteLineInSection(g.path, "Devices", "Other"), 0);
  }
  EXPECT_EQ(ReadFileText(g.path), std::string(kIni));
  EXPECT_EQ(FilesIn(g.folder), std::vector<std::string>{"test.ini"});
}
