// The administrator's log: UTF-8 lines with outcomes and error codes, and
// messages routed to it without a window in a quiet run.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/wine/core/WineTestSupport.h"
#include "uninstall/app/Ui.h"
#include "uninstall/engine/ActionLog.h"

using namespace vq;

TEST(ActionLog, LinesInUtf8WithOutcomesAndErrorCodes) {
  const std::string path = MakeTempFolder("log") + "run.log";
  {
    CActionLog log;
    ASSERT_TRUE(log.Open(path));
    SetProcessActionLog(&log);
    LogAction("delete printer", Quoted("Recep\xE7\xE3o"));
    LogAction("delete key", Quoted("SOFTWARE\\VARDEN QUILLAN"), ERROR_ACCESS_DENIED);
    LogOutcome("delete file", Quoted("C:\\x\\QV7310.DLL"), "in use (error 32), scheduled for the next start");
    log.Message("linha um\nlinha dois", "OK");
    SetProcessActionLog(nullptr);
    LogAction("not logged", "anything");  // without a log nothing happens
  }
  const std::string text = ReadFileText(path);
  EXPECT_NE(text.find("delete printer \"Recep\xC3\xA7\xC3\xA3o\": ok\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("delete key \"SOFTWARE\\VARDEN QUILLAN\": failed (error 5)\r\n"), std::string::npos);
  EXPECT_NE(text.find("QV7310.DLL\": in use (error 32), scheduled for the next start"), std::string::npos);
  EXPECT_NE(text.find("message \"linha um linha dois\": OK\r\n"), std::string::npos);  // one line
  EXPECT_EQ(text.find("not logged"), std::string::npos);
  // Every line starts with a time stamp.
  EXPECT_EQ(text.compare(4, 1, "-"), 0);
}

TEST(ActionLog, QuietRunsAnswerMessagesWithoutAWindow) {
  const std::string path = MakeTempFolder("quiet") + "quiet.log";
  CActionLog log;
  ASSERT_TRUE(log.Open(path));
  SetProcessActionLog(&log);
  SetQuietAnswers(true, false);
  EXPECT_EQ(ShowMessage("Deseja reinicializar agora?", "Desinstala\xE7\xE3o", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(ShowMessage("conclu\xED" "da", "Desinstala\xE7\xE3o", MB_OK), IDOK);
  SetQuietAnswers(true, true);  // FORCERESTART
  EXPECT_EQ(ShowMessage("Deseja reinicializar agora?", "Desinstala\xE7\xE3o", MB_YESNO), IDYES);
  SetQuietAnswers(false, false);
  SetProcessActionLog(nullptr);
  const std::string text = ReadFileText(path);
  EXPECT_NE(text.find("message \"Deseja reinicializar agora?\": No"), std::string::npos) << text;
  EXPECT_NE(text.find("message \"conclu\xC3\xAD" "da\": OK"), std::string::npos);
  EXPECT_NE(text.find("message \"Deseja reinicializar agora?\": Yes"), std::string::npos);
}

TEST(ActionLog, AFileThatCannotBeCreatedIsReported) {
  CActionLog log;
  EXPECT_FALSE(log.Open("C:\\no_such_folder_vq\\deeper\\x.log"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(log.IsOpen());
}
