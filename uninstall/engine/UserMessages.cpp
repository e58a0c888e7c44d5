#include "uninstall/engine/UserMessages.h"

namespace vq {

namespace {
CUserMessages* g_messages = nullptr;
}  // namespace

void SetUserMessages(CUserMessages* messages) { g_messages = messages; }

int TellUser(UINT textId, const std::vector<std::string>& values, UINT style) {
  if (g_messages) return g_messages->Show(textId, values, style);
  return (style & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}

std::string UserText(UINT textId) { return g_messages ? g_messages->Text(textId) : std::string(); }

}  // namespace vq
