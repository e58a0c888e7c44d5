// Reading scripts from real files and finding them in real folders.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/wine/core/WineTestSupport.h"
#include "uninstall/profile/IniFile.h"
#include "uninstall/profile/ScriptFinder.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"

using namespace vq;

namespace {
const char kScript[] = "[UnPrinterDrivers]\r\nVARDEN vintara 7310K,QDRV,1\r\n[QDRV.Files]\r\nQDRV.DLL\r\n";

std::string CurrentDirectory() {
  char dir[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof(dir), dir);
  std::string s(dir);
  if (!s.empty() && s.back() != '\\') s += '\\';
  return s;
}
}  // namespace

TEST(ScriptRead, ReadsAFileNobodyHoldsOpen) {
  const std::string dir = MakeTempFolder("read");
  const std::string path = dir + "Qunz__02.unm";
  ASSERT_TRUE(WriteFileText(path, kScript));
  CUninstallDatabase db;
  ASSERT_TRUE(db.ReadScript(path));
  ASSERT_EQ(db.profiles.size(), 1u);
  EXPECT_EQ(db.profiles[0].scriptPath, path);
  EXPECT_EQ(db.profiles[0].List(kFiles), ItemList{"QDRV.DLL"});
}

TEST(ScriptRead, FileHeldOpenByAnotherHandleIsNotRead) {
  const std::string dir = MakeTempFolder("held");
  const std::string path = dir + "Qunz__02.unm";
  ASSERT_TRUE(WriteFileText(path, kScript));
  // Another reader that shares reading still blocks a no-sharing open.
  HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  CIniFile file;
  EXPECT_FALSE(file.Read(path));
  CUninstallDatabase db;
  std::string reason;
  EXPECT_FALSE(db.ReadScript(path, &reason));
  EXPECT_EQ(reason, "failed to open file");
  CloseHandle(other);
  EXPECT_TRUE(file.Read(path));
  EXPECT_FALSE(file.Read(path));  // an object holds one file
}

TEST(ScriptRead, EmptyAndMissingFilesAreRejected) {
  const std::string dir = MakeTempFolder("empty");
  ASSERT_TRUE(WriteFileText(dir + "empty.unm", ""));
  CIniFile file;
  EXPECT_FALSE(file.Read(dir + "empty.unm"));
  EXPECT_FALSE(file.Read(dir + "missing.unm"));
  EXPECT_FALSE(file.Read(dir));  // a folder is no script
}

TEST(ScriptSearch, FindsScriptsAndSkipsFolders) {
  const std::string a = MakeTempFolder("findA");
  const std::string b = MakeTempFolder("findB");
  ASSERT_TRUE(WriteFileText(a + "Qunz__02.unm", kScript));
  ASSERT_TRUE(WriteFileText(a + "other.unm", kScript));
  ASSERT_TRUE(CreateDirectoryA((b + "Qunz__02.unm").c_str(), nullptr));  // a folder of that name
  ASSERT_TRUE(WriteFileText(b + "QUNZ__02.UNM.bak", kScript));

  std::vector<std::string> found;
  FindScripts(found, a, kScriptFileName);
  FindScripts(found, b, kScriptFileName);
  FindScripts(found, a + "missing\\", kScriptFileName);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(EqualNoCase(found[0], a + "Qunz__02.unm"));
  // Afterwards the current folder is the program's own, not the last searched.
  EXPECT_TRUE(EqualNoCase(CurrentDirectory(), ProgramFolder()));

  // Wildcards work through the system's matching.
  found.clear();
  FindScripts(found, a, "*.unm");
  EXPECT_EQ(found.size(), 2u);
}

TEST(ScriptSearch, CollectedPathsAreSortedAndUnique) {
  const std::string a = MakeTempFolder("collectA");
  const std::string b = MakeTempFolder("collectB");
  ASSERT_TRUE(WriteFileText(a + "Qunz__02.unm", kScript));
  ASSERT_TRUE(WriteFileText(b + "Qunz__02.unm", kScript));
  std::string bNoSlash = b.substr(0, b.size() - 1);
  std::vector<std::string> paths = CollectScriptPaths({b, a, bNoSlash, a});
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_TRUE(EqualNoCase(paths[0], a + "Qunz__02.unm"));
  EXPECT_TRUE(EqualNoCase(paths[1], b + "Qunz__02.unm"));
}
