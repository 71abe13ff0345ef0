// The low-level keyboard hook that types Cyrillic in every program: while
// typing is on, a key press that types a character with a row in the
// keyboard table is swallowed and the row's output typed in its place. The
// hook runs on a thread of its own that does nothing else, so that Windows
// never waits for it (it drops a hook that keeps it waiting).
#pragma once

#include <windows.h>

#include <initializer_list>

// Why keys pass unchanged in the window in front, though typing is on.
enum class Hindrance {
  None,
  Elevated,     // its program runs at a higher integrity level: Windows keeps us out
  Password,     // the focus is in a password field
  SetAside,     // its program is one the user set aside
  OtherLayout,  // its keyboard layout is not a German one
};

// Starts the hook's thread and installs the hook; false when Windows refuses
// it. `notify` gets `changedMessage` posted whenever typing or the hindrance
// changes from within the hook (Scroll Lock, another layout).
bool StartKeyboardHook(HWND notify, UINT changedMessage);
void StopKeyboardHook();

bool IsTypingOn();
void SetTypingOn(bool on);

// What the tray window learns of the window in front (Elevated, Password or
// SetAside, or None), and the focused window it judged; the hook adds
// OtherLayout itself, at each key. While the focus is in a window not yet
// judged, keys pass as they are, and the hook posts `changedMessage` with
// wParam JudgeTheFocus: a field is never typed over before it is known not
// to hold a password.
void SetFrontHindrance(Hindrance hindrance, HWND judgedFocus);
Hindrance CurrentHindrance();
HWND JudgedFocus();
// The window with the keyboard focus in the foreground window's thread: the
// focus as the hook compares it with the one judged.
HWND FocusInFront();
inline constexpr WPARAM JudgeTheFocus = 1;
// Pause, and Shift+Pause, pressed (whether typing is on or off): the hook
// swallows the key and posts `changedMessage` with one of these.
inline constexpr WPARAM RewriteByKeyboard = 2;
inline constexpr WPARAM RewriteByTranscription = 3;

// How many keys were pressed so far, not counting modifiers, Pause, and
// shortcuts with a Windows key: unchanged means nothing was typed between.
unsigned long KeysPressed();

// Presses `keys` as Korvel's own, which the hook lets pass: each down in
// order, then each up in reverse order. False when Windows did not take them.
bool PressKeys(std::initializer_list<WORD> keys);
// Lets go of the modifiers held now (Shift from Shift+Pause, the keys of a
// shortcut), so that the keys pressed next arrive without them.
void LetGoOfModifiers();

// Brings Scroll Lock's light in line with typing: lit while typing is off.
void ShowTypingOnScrollLock();

// Called about once a second: when no key came for a while, a key of its own
// that no program sees tells whether the hook still hears keys; a hook that
// did not hear it is installed again (Windows removes a hook that it found
// too slow, and after a resume from sleep this happens).
void CheckKeyboardHook();

// For the tests only: removes the hook without a word, as Windows does.
void DropKeyboardHookForTests();
