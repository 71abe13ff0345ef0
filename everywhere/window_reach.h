// Whether a window belongs to a program that Windows keeps out of reach of
// this one's keyboard hook: one running as administrator, or otherwise at a
// higher integrity level, while Korvel does not.
#pragma once

#include <windows.h>

bool IsBeyondReach(HWND window);
