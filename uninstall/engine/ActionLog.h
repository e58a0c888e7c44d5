// CActionLog: the log an administrator asks for with the switch LOG — a UTF-8
// text file, one line per action of the run (what was removed, scheduled,
// refused or failed, with the Win32 error code of each failure) and per
// message that the tool showed or, in a quiet run, would have shown.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "uninstall/profile/PlanReport.h"
#include "uninstall/system/Handles.h"

namespace vq {

class CActionLog {
 public:
  // Creates (or empties) the file; false with GetLastError when it cannot.
  bool Open(const std::string& path);
  bool IsOpen() const { return file_.IsValid(); }

  // "<time> <what> <target>: ok" or "...: failed (error N)"; texts are 8-bit
  // (Windows-1252) and written as UTF-8.
  void Action(const char* what, const std::string& target, DWORD error = ERROR_SUCCESS);
  // "<time> <what> <target>: <outcome>" for outcomes other than done/failed
  // ("scheduled for the next start", "refused", "kept").
  void Outcome(const char* what, const std::string& target, const char* outcome);
  // A message the tool shows, with its answer.
  void Message(const std::string& text, const char* answer);
  void Note(const std::string& text);

 private:
  void Write(const std::string& line);
  CFileHandle file_;
};

// The log of this run (switch LOG), set once at start-up; null without one.
// Every phase records its actions here, down to the file routines.
CActionLog* ProcessActionLog();
void SetProcessActionLog(CActionLog* log);

// Where every action and outcome is also recorded as an ActionRecord; null
// (the default) for none. A plan of a run (switch PLAN) is the list of them.
void SetProcessActionRecords(std::vector<ActionRecord>* records);

// Called after each action and outcome is recorded; null (the default) for
// none. Tests end a run there the hard way, as a power cut would.
using ActionObserver = void (*)(const ActionRecord& record);
void SetProcessActionObserver(ActionObserver observer);

// How many actions of this process failed: recorded with a Win32 error, or
// with an outcome that says "failed" (a file that could be neither deleted
// nor scheduled, an INI file that could not be replaced). A run with any
// ends with 1603. Outcomes that are not failures (kept, refused, not
// installed, planned) do not count.
int LoggedFailures();

// Shorthands that do nothing without a log.
void LogAction(const char* what, const std::string& target, DWORD error = ERROR_SUCCESS);
void LogOutcome(const char* what, const std::string& target, const char* outcome);
void LogNote(const std::string& text);

// A name as the log shows it.
inline std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace vq
