// Moving the editor's text out: into TextBuffer, onto the clipboard, into the
// dialog's result label.
#pragma once

#include <windows.h>

#include <string>

// The editor's whole text after the latest ReadAllText. It starts with room
// for a full editor and grows when a text is longer, so nothing is cut.
extern std::wstring TextBuffer;

// Selects the editor's whole text and copies it into TextBuffer.
void ReadAllText();

// Puts `text` on the clipboard as CF_UNICODETEXT; false when it could not.
bool CopyToClipboard(const wchar_t* text);

// Copies the zero-terminated `source` into `capacity` units at `destination`
// and always terminates it. S_OK; STRSAFE_E_INSUFFICIENT_BUFFER when the
// source was cut; STRSAFE_E_INVALID_PARAMETER when capacity is 0.
HRESULT BoundedCopy(wchar_t* destination, std::size_t capacity, const wchar_t* source);

// Sets the window's text to `text`, cut to its first 98 units.
void SetCaptionText(HWND window, const wchar_t* text);

// The "OK" command: the whole text to the clipboard and, when that worked,
// its beginning to the dialog's result label.
void ExportText(HWND dialog);
