// The program's icon in the notification area, which shows whether Korvel
// types Cyrillic and takes the user's clicks.
#pragma once

#include <windows.h>

// Clicks on the icon come to `window` as `callbackMessage`, with the mouse
// message in lParam.
bool AddNotificationIcon(HWND window, UINT callbackMessage, HICON icon, const wchar_t* tip);
void UpdateNotificationIcon(HWND window, HICON icon, const wchar_t* tip);
// A balloon over the icon, for what the user must know at once.
void ShowNotificationBalloon(HWND window, const wchar_t* title, const wchar_t* text);
void RemoveNotificationIcon(HWND window);
