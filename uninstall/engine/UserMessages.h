// What the removal phases must tell a person, and the texts they take from
// the tool's string table, go through this one seam, which the program fills
// at start: the window shows message boxes, a quiet run answers as nobody
// would and writes the log. The engine itself shows nothing.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vq {

class CUserMessages {
 public:
  virtual ~CUserMessages() = default;
  // Message `textId` of the string table under the tool's caption, its
  // "%s"/"%lu" placeholders filled with `values` in order; `style` as
  // MessageBoxA's. Returns the answer (IDOK, IDYES, IDNO).
  virtual int Show(UINT textId, const std::vector<std::string>& values, UINT style) = 0;
  // The text of string `textId`; empty when the table has none.
  virtual std::string Text(UINT textId) = 0;
};

// Installs `messages` (not owned; null: none) for every phase of the process.
void SetUserMessages(CUserMessages* messages);

// Through the installed seam. Without one, nobody is told: the message is
// answered as in a quiet run (OK, No to a question) and every text is empty,
// so a phase that needs a text of the table does nothing.
int TellUser(UINT textId, const std::vector<std::string>& values, UINT style);
std::string UserText(UINT textId);

}  // namespace vq
