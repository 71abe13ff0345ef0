// What Korvel everywhere must know of the window in front, learnt when the
// front window or the focus moves (never from within the keyboard hook):
// whether its program is beyond the hook's reach or set aside, and whether
// the focus is in a password field, in a classic password box or in any
// field that tells accessibility clients it is protected (browsers,
// Electron, WPF, UWP and Qt mark their password fields so).
#pragma once

#include <windows.h>

#include <string>

#include "keyboard_hook.h"

// `notify` gets `changedMessage` posted when the hindrance in front changes.
void WatchFrontWindow(HWND notify, UINT changedMessage);
void StopWatchingFrontWindow();
// Looks at the window in front and its focus again (the programs set aside
// changed, or the focus moved before its event came).
void ReconsiderFrontWindow();
// Whether the focus is now elsewhere than where it was judged (its event
// may not have come: Wine sends none for some windows).
bool FocusMovedUnjudged();

// Whether `window` is of an edit or rich edit class (Edit, RichEdit20W,
// RICHEDIT50W and the toolkits' own), which answer edit messages.
bool IsEditControl(HWND window);

// The program (its file name) of the last window in front that is neither
// ours nor the notification area's; empty while none was.
std::wstring LastFrontProgram();
