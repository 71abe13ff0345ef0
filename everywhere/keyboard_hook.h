// The low-level keyboard hook that types Cyrillic in every program: while
// typing is on, a key press that types a character with a row in the
// keyboard table is swallowed and the row's output typed in its place.
#pragma once

#include <windows.h>

// `notify` gets `switchedMessage` posted when Scroll Lock switches typing.
bool InstallKeyboardHook(HWND notify, UINT switchedMessage);
void RemoveKeyboardHook();

bool IsTypingOn();
void SetTypingOn(bool on);
