// The windows of fields that the tests of Korvel everywhere type into.
#pragma once

#include <windows.h>

inline constexpr wchar_t FieldsTitle[] = L"Korvel test fields";
inline constexpr int PlainField = 1;
inline constexpr int PasswordField = 2;
inline constexpr int PasswordMirror = 3;
inline constexpr int Timing = 4;
inline constexpr int ProtectedBox = 5;
inline constexpr int UnprotectedBox = 6;
inline constexpr int PauseCount = 7;  // how many Pause key-downs reached the plain field
inline constexpr int SlowBox = 8;     // a box whose program answers accessibility clients slowly, as a busy one does
// The page: one window with two fields, the second protected; the label of
// field N is control PageFieldLabel + N.
inline constexpr wchar_t PageTitle[] = L"Korvel test page";
inline constexpr int PageFieldLabel = 10;
// Sent by the helper that brings the window to the front: focus control (or
// on the page, field) wParam.
inline constexpr UINT WM_FOCUS_CONTROL = WM_APP + 40;

// Shows the window and runs it until it is closed.
int ShowFields(HINSTANCE instance);
