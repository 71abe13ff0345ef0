// Korvel everywhere's hidden top-level window: it owns the notification
// icon, takes its clicks and menu, the switching hotkey and the session's
// end, and installs and removes the keyboard hook.
#pragma once

#include <windows.h>

inline constexpr wchar_t TrayWindowClass[] = L"KorvelEverywhere";
// Posted by a second start: switch typing on.
inline constexpr UINT WM_SWITCH_ON = WM_APP + 3;

bool RegisterTrayWindowClass(HINSTANCE instance);
HWND CreateTrayWindow(HINSTANCE instance);
