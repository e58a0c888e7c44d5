// Finding a top-level window by its title without waiting on the threads
// that own the windows: a hung thread in the host must not hang the caller.
#pragma once

#include <windows.h>

// InternalGetWindowText of Windows NT: the title the system keeps for a
// window, read without a message.
typedef int(WINAPI* InternalGetWindowTextFn)(HWND, LPWSTR, int);

// The system's InternalGetWindowText; null where it lacks it (Windows 9x).
InternalGetWindowTextFn SystemInternalGetWindowText();

// Reads the title of a top-level window into `title` (`size` bytes). Windows
// of other processes are read with GetWindowTextA, which sends them nothing.
// GetWindowTextA would send WM_GETTEXT to a window of this process and wait
// for its thread however long it hangs, so those are read with
// `internalGetText` where the system has it, otherwise with WM_GETTEXT sent
// with a time-out that gives up on a hung thread. False when the title cannot
// be read.
bool ReadWindowTitle(HWND window, char* title, int size, InternalGetWindowTextFn internalGetText);

// The first top-level window of any class and any process whose title is
// exactly `title`; null when there is none.
HWND FindWindowByTitle(const char* title);
