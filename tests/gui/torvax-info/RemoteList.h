// List-view requests that carry a record into another process's memory,
// beyond what the shared GUI driver offers: an item's rectangle and a
// selection that replaces the current one.
#pragma once

#include <windows.h>

#include <vector>

namespace gui {

// The label rectangle of `row` in the list's client coordinates; empty on failure.
RECT ItemLabelRect(HWND list, int row);
// Clears the selection, then selects exactly `rows` (the first gets the focus).
bool ReplaceSelection(HWND list, const std::vector<int>& rows);

}  // namespace gui
