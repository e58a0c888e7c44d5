#include "uninstall/engine/ActionLog.h"

#include <cstdio>
#include <cstring>

#include "uninstall/profile/Cp1252.h"

namespace vq {

namespace {
CActionLog* g_log = nullptr;
std::vector<ActionRecord>* g_records = nullptr;
int g_failures = 0;
ActionObserver g_observer = nullptr;

void Record(const ActionRecord& record) {
  if (g_records) g_records->push_back(record);
  if (g_observer) g_observer(record);
}

std::string ResultText(DWORD error) {
  return error == ERROR_SUCCESS ? "ok" : "failed (error " + std::to_string(error) + ")";
}
}  // namespace

CActionLog* ProcessActionLog() { return g_log; }
void SetProcessActionLog(CActionLog* log) { g_log = log; }
void SetProcessActionRecords(std::vector<ActionRecord>* records) { g_records = records; }
void SetProcessActionObserver(ActionObserver observer) { g_observer = observer; }

int LoggedFailures() { return g_failures; }

void LogAction(const char* what, const std::string& target, DWORD error) {
  if (error != ERROR_SUCCESS) ++g_failures;
  if (g_log) g_log->Action(what, target, error);
  Record(ActionRecord{what, target, ResultText(error)});
}

void LogOutcome(const char* what, const std::string& target, const char* outcome) {
  if (std::strstr(outcome, "failed")) ++g_failures;
  if (g_log) g_log->Outcome(what, target, outcome);
  Record(ActionRecord{what, target, outcome});
}

void LogNote(const std::string& text) {
  if (g_log) g_log->Note(text);
}

bool CActionLog::Open(const std::string& path) {
  file_.Attach(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  return file_.IsValid();
}

void CActionLog::Write(const std::string& line) {
  if (!file_.IsValid()) return;
  SYSTEMTIME t;
  GetLocalTime(&t);
  char stamp[32];
  std::snprintf(stamp, sizeof(stamp), "%04u-%02u-%02u %02u:%02u:%02u ", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  std::string text = stamp + Cp1252ToUtf8(line);
  // One line per entry: line breaks inside a message become spaces.
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  text += "\r\n";
  DWORD written = 0;
  WriteFile(file_.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void CActionLog::Action(const char* what, const std::string& target, DWORD error) {
  Write(std::string(what) + " " + target + ": " + ResultText(error));
}

void CActionLog::Outcome(const char* what, const std::string& target, const char* outcome) {
  Write(std::string(what) + " " + target + ": " + outcome);
}

void CActionLog::Message(const std::string& text, const char* answer) {
  Write("message \"" + text + "\": " + answer);
}

void CActionLog::Note(const std::string& text) { Write(text); }

}  // namespace vq
