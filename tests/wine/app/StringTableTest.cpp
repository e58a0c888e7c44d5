// The string loader: plain strings, missing ids, and strings that redirect to
// an INI file with "@file@section@key".
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/wine/app/TestStrings.h"
#include "tests/wine/core/WineTestSupport.h"
#include "uninstall/app/StringTable.h"

using vq::CStringTable;

namespace {
class StringTableTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    CreateDirectoryA("C:\\vq_strings", nullptr);
    WriteFileText("C:\\vq_strings\\texts.ini",
                  "[Strings]\r\nCaption=Linha um\\nLinha dois\\\\n\r\n");
    // Found only along the search path (the system folder), by name.
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof(system));
    WriteFileText(std::string(system) + "\\vq_searchpath.ini", "[Strings]\r\nCaption=achado\r\n");
  }
  CStringTable strings{GetModuleHandleA(nullptr)};
};
}  // namespace

TEST_F(StringTableTest, PlainStringsAndMissingIds) {
  // A plain string is returned as stored: no line-break expansion.
  EXPECT_STREQ(strings.Load(IDS_TEST_PLAIN), "Desinstala\xE7\xE3o\\nsem troca");
  EXPECT_STREQ(strings.Load(IDS_TEST_MISSING), "");
  EXPECT_STREQ(strings.Load(IDS_TEST_TWO_MARKS), "@only@two");
}

TEST_F(StringTableTest, RedirectionReadsTheIniFileAndExpandsLineBreaks) {
  EXPECT_STREQ(strings.Load(IDS_TEST_REDIRECT_FOUND), "Linha um\nLinha dois\\\n");
  EXPECT_STREQ(strings.Load(IDS_TEST_REDIRECT_MISSING_KEY), "");
  EXPECT_STREQ(strings.Load(IDS_TEST_REDIRECT_MISSING_FILE), "");
  // A file missing at its path is looked up by name along the search path.
  EXPECT_STREQ(strings.Load(IDS_TEST_REDIRECT_SEARCHPATH), "achado");
}

TEST_F(StringTableTest, FourSlotsInRotation) {
  const char* first = strings.Load(IDS_TEST_PLAIN);
  const std::string kept = first;
  strings.Load(IDS_TEST_TWO_MARKS);
  strings.Load(IDS_TEST_TWO_MARKS);
  strings.Load(IDS_TEST_TWO_MARKS);
  EXPECT_EQ(kept, first);  // still valid after three more loads
  strings.Load(IDS_TEST_TWO_MARKS);
  EXPECT_STREQ(first, "@only@two");  // the fifth load reuses its slot
}

TEST_F(StringTableTest, SettersLeaveControlsAloneForEmptyTexts) {
  HWND window = CreateWindowA("STATIC", "before", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  strings.SetWindowTextFrom(window, IDS_TEST_MISSING);
  char text[64];
  GetWindowTextA(window, text, sizeof(text));
  EXPECT_STREQ(text, "before");
  strings.SetWindowTextFrom(window, IDS_TEST_REDIRECT_FOUND);
  GetWindowTextA(window, text, sizeof(text));
  EXPECT_STREQ(text, "Linha um\nLinha dois\\\n");
  DestroyWindow(window);
}
