// Finding and deleting INI lines in real files: exact bytes kept, the first
// match only, files held open by others left alone, and the replacement done
// in one step with nothing left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/wine/core/WineTestSupport.h"
#include "uninstall/profile/IniLineEdit.h"

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

// A literal's bytes, zeros included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

std::string ReadFileBytes(const std::string& path) {
  std::string content;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(h, buffer, sizeof(buffer), &read, nullptr) && read > 0) content.append(buffer, read);
  CloseHandle(h);
  return content;
}

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

TEST(FindKeyInSection, FindsTheFirstUncommentedPlaceInTheSection) {
  IniFixture f(kIni);
  const std::string text(kIni);
  const std::size_t expected = text.find("\r\nVARDEN vintara=QDRV,LPT1") + 2;
  EXPECT_EQ(FindKeyInSection(f.path, "Devices", "VARDEN vintara"), expected);
  EXPECT_EQ(FindKeyInSection(f.path, "devices", "varden VINTARA"), expected);  // any case
  EXPECT_EQ(FindKeyInSection(f.path, "Devices", "other"), text.find("Other=x"));
  EXPECT_EQ(FindKeyInSection(f.path, "windows", "load"), text.find("load="));
}

TEST(FindKeyInSection, CommentedKeysAndOtherSectionsAreNotFound) {
  IniFixture f("[A]\r\n;key=1\r\n[B]\r\nkey=2\r\n");
  EXPECT_EQ(FindKeyInSection(f.path, "A", "key"), 0u);  // only after ';', then the next section
  EXPECT_NE(FindKeyInSection(f.path, "B", "key"), 0u);
  EXPECT_EQ(FindKeyInSection(f.path, "C", "key"), 0u);
  EXPECT_EQ(FindKeyInSection(f.path, "A", ""), 0u);
}

TEST(FindKeyInSection, MissingAndEmptyFiles) {
  IniFixture f("");
  EXPECT_EQ(FindKeyInSection(f.path, "A", "key"), 0u);
  EXPECT_EQ(FindKeyInSection(f.folder + "missing.ini", "A", "key"), 0u);
  EXPECT_EQ(FindKeyInSection(f.folder, "A", "key"), 0u);  // a folder
}

TEST(IniEditLimits, SectionNamesAndKeysOverTheLimitAreNotLookedFor) {
  const std::string section17(17, 's'), section18(18, 's');
  const std::string key63(63, 'k'), key64(64, 'k');
  const std::string content = "[" + section17 + "]\r\n" + key64 + "=1\r\n[" + section18 +
                              "]\r\n" + key64 + "=2\r\n";
  IniFixture f(content);
  EXPECT_NE(FindKeyInSection(f.path, section17, key63), 0u);
  EXPECT_EQ(FindKeyInSection(f.path, section17, key64), 0u);
  EXPECT_EQ(FindKeyInSection(f.path, section18, key63), 0u);
  EXPECT_EQ(DeleteLineInSection(f.path, section18, key63), 0);
  EXPECT_EQ(DeleteLineInSection(f.path, section17, key64), 0);
  EXPECT_EQ(ReadFileBytes(f.path), content);
  EXPECT_EQ(DeleteLineInSection(f.path, section17, key63), 1);
  EXPECT_EQ(ReadFileBytes(f.path), "[" + section17 + "]\r\n[" + section18 + "]\r\n" + key64 + "=2\r\n");
}

TEST(DeleteLineInSection, DeletesTheFirstMatchAndKeepsEveryOtherByte) {
  IniFixture f(kIni);
  ASSERT_EQ(DeleteLineInSection(f.path, "DEVICES", "VARDEN vintara"), 1);
  std::string expected(kIni);
  expected.erase(expected.find("VARDEN vintara=QDRV,LPT1"),
                 std::string("VARDEN vintara=QDRV,LPT1:\r\n").size());
  EXPECT_EQ(ReadFileBytes(f.path), expected);
  EXPECT_EQ(FilesIn(f.folder), std::vector<std::string>{"test.ini"});  // nothing left behind
  ASSERT_EQ(DeleteLineInSection(f.path, "Devices", "VARDEN vintara"), 1);
  expected.erase(expected.find("VARDEN vintara=QDRV,LPT2"),
                 std::string("VARDEN vintara=QDRV,LPT2:\r\n").size());
  EXPECT_EQ(ReadFileBytes(f.path), expected);
  EXPECT_EQ(DeleteLineInSection(f.path, "Devices", "VARDEN vintara"), 0);  // only the comment left
  EXPECT_EQ(ReadFileBytes(f.path), expected);
}

TEST(DeleteLineInSection, DeletesTheLineFindKeyInSectionFound) {
  // A commented-out copy before the entry is passed over, as FindKeyInSection
  // passes it: deleting from after its ';' would leave the ';' in front of
  // the next line and comment out an unrelated entry.
  IniFixture f("[A]\r\n;key=old\r\nother=1\r\nkey=new\r\n");
  const std::size_t found = FindKeyInSection(f.path, "A", "key");
  ASSERT_EQ(found, std::string("[A]\r\n;key=old\r\nother=1\r\n").size());
  ASSERT_EQ(DeleteLineInSection(f.path, "A", "key"), 1);
  EXPECT_EQ(ReadFileBytes(f.path), "[A]\r\n;key=old\r\nother=1\r\n");
}

TEST(DeleteLineInSection, DoesNotStopAtTheNextSection) {
  IniFixture f("[A]\r\nx=1\r\n[B]\r\nkey=2\r\nkey=3\r\n");
  ASSERT_EQ(DeleteLineInSection(f.path, "A", "key"), 1);
  EXPECT_EQ(ReadFileBytes(f.path), "[A]\r\nx=1\r\n[B]\r\nkey=3\r\n");
}

TEST(DeleteLineInSection, LineEndsAndBinaryBytesAreKept) {
  IniFixture f("[A]\nkey=1\nrest\x01\xff\n");
  ASSERT_EQ(DeleteLineInSection(f.path, "a", "KEY"), 1);
  EXPECT_EQ(ReadFileBytes(f.path), std::string("[A]\nrest\x01\xff\n"));

  // The whole line of a match goes, also its text before the match; a lone
  // CR ends a line; the last line may have no line end.
  IniFixture g(Bytes("pre\0fix[A] tail\r\n  key=1\rnext\r\nlast=key"), "mixed");
  ASSERT_EQ(DeleteLineInSection(g.path, "A", "key"), 1);
  EXPECT_EQ(ReadFileBytes(g.path), Bytes("pre\0fix[A] tail\r\nnext\r\nlast=key"));
  ASSERT_EQ(DeleteLineInSection(g.path, "A", "key"), 1);
  EXPECT_EQ(ReadFileBytes(g.path), Bytes("pre\0fix[A] tail\r\nnext\r\n"));
}

TEST(DeleteLineInSection, NothingFoundLeavesTheFileAsItWas) {
  IniFixture f(kIni);
  EXPECT_EQ(DeleteLineInSection(f.path, "Devices", "absent"), 0);
  EXPECT_EQ(DeleteLineInSection(f.path, "Nope", "Other"), 0);
  EXPECT_EQ(DeleteLineInSection(f.path, "Ports", "Other"), 0);  // matches only before the header
  EXPECT_EQ(ReadFileBytes(f.path), std::string(kIni));
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
  EXPECT_EQ(ReadFileBytes(f.path), std::string(kIni));
  EXPECT_EQ(FilesIn(f.folder), std::vector<std::string>{"test.ini"});
}

TEST(DeleteLineInSection, FileAnotherHandleWritesIsNotChanged) {
  IniFixture f(kIni);
  HANDLE writer = CreateFileA(f.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(DeleteLineInSection(f.path, "Devices", "Other"), 0);
  CloseHandle(writer);
  EXPECT_EQ(ReadFileBytes(f.path), std::string(kIni));
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
  EXPECT_EQ(ReadFileBytes(f.path), std::string(kIni));
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
  EXPECT_EQ(ReadFileBytes(f.path), expected);
  EXPECT_NE(FileIdentity(f.path), before);
  EXPECT_EQ(GetFileAttributesA(f.path.c_str()) & FILE_ATTRIBUTE_HIDDEN,
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(FilesIn(f.folder), std::vector<std::string>{"test.ini"});
}
