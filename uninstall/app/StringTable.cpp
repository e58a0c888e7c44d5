#include "uninstall/app/StringTable.h"

#include <cstring>

namespace vq {

namespace {
// Replaces every backslash + "n" by a line break, in place.
void ExpandLineBreaks(char* text) {
  char* out = text;
  for (const char* in = text; *in; ++in) {
    if (in[0] == '\\' && in[1] == 'n') {
      *out++ = '\n';
      ++in;
    } else {
      *out++ = *in;
    }
  }
  *out = '\0';
}

// Splits "@file@section@key" into its three parts in place; false when the
// text does not have that form.
bool SplitRedirection(char* text, char** file, char** section, char** key) {
  if (text[0] != '@') return false;
  char* second = std::strchr(text + 1, '@');
  char* third = second ? std::strchr(second + 1, '@') : nullptr;
  if (!third) return false;
  *second = '\0';
  *third = '\0';
  *file = text + 1;
  *section = second + 1;
  *key = third + 1;
  return true;
}
}  // namespace

CStringTable::CStringTable(HINSTANCE instance)
    : instance_(instance ? instance : GetModuleHandleA(nullptr)) {}

char* CStringTable::NextSlot() {
  slot_ = (slot_ + 1) % kSlotCount;
  slots_[slot_][0] = '\0';
  return slots_[slot_];
}

const char* CStringTable::Load(UINT id) {
  char* text = NextSlot();
  if (LoadStringA(instance_, id, text, kSlotSize) <= 0) text[0] = '\0';
  if (text[0] != '@') return text;
  return ReadRedirected(text);
}

const char* CStringTable::ReadRedirected(char* text) {
  char *file, *section, *key;
  if (!SplitRedirection(text, &file, &section, &key)) return text;
  char* value = NextSlot();
  // The file part is used as written: a bare name is looked for in the
  // Windows folder by the profile functions, then along the search path.
  DWORD n = GetPrivateProfileStringA(section, key, "", value, kSlotSize, file);
  if (n == 0) {
    const char* name = std::strrchr(file, '\\');
    name = name ? name + 1 : file;
    char found[MAX_PATH] = "";
    DWORD len = SearchPathA(nullptr, name, nullptr, sizeof(found), found, nullptr);
    if (len > 0 && len < sizeof(found))
      n = GetPrivateProfileStringA(section, key, "", value, kSlotSize, found);
  }
  if (n == 0) value[0] = '\0';
  ExpandLineBreaks(value);
  return value;
}

void CStringTable::SetWindowTextFrom(HWND window, UINT id) {
  const char* text = Load(id);
  if (*text) SetWindowTextA(window, text);
}

void CStringTable::SetItemTextFrom(HWND dialog, int item, UINT id) {
  const char* text = Load(id);
  if (*text) SetDlgItemTextA(dialog, item, text);
}

}  // namespace vq
