// Strings of the module's string table with a built-in fallback.
#pragma once

#include <windows.h>

// Loads string `id` into `buffer` (`size` bytes); when the table lacks it
// (or it is empty), copies `fallback` instead, shortened to fit.
void LoadResourceString(UINT id, const char* fallback, char* buffer, int size);
