// The editor's keystroke hook: live transcription of typed characters.
#pragma once

#include <windows.h>

// True while typed characters reach the editor untranscribed.
extern bool PassThrough;

// The editor's own window procedure, called for everything the hook leaves.
extern WNDPROC PreviousEditorProc;

// Replacement window procedure of the editor.
LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
