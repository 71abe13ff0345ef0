// Korvel's one window: the modal main dialog and its commands.
#pragma once

#include <windows.h>

// The dialog's procedure; answers FALSE to every message.
INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the main dialog modally; returns its result (2 after "Cancel").
INT_PTR MainDialog(HINSTANCE instance);

// Live transcription on, focus to the editor, `title` on the dialog.
bool SelectMode(HWND dialog, const wchar_t* title);
