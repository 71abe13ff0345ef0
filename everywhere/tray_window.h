// Korvel everywhere's hidden top-level window: it owns the notification
// icon, takes its clicks and menu, the switching hotkey and the session's
// end, and installs and removes the keyboard hook.
#pragma once

#include <windows.h>

inline constexpr wchar_t TrayWindowClass[] = L"KorvelEverywhere";
// Posted by a second start: switch typing on.
inline constexpr UINT WM_SWITCH_ON = WM_APP + 3;

bool RegisterTrayWindowClass(HINSTANCE instance);
// For the tests: the icon menu's items and the program's texts as this user
// sees them, a line each, in UTF-8 on standard output.
void WriteTexts(HINSTANCE instance);
HWND CreateTrayWindow(HINSTANCE instance);
