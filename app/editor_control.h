// The editor: the platform's rich edit control and every operation Korvel
// performs on it.
#pragma once

#include <windows.h>

#include <string>

// The editor's window handle (control IDC_EDITOR of the main dialog); null
// until created, and null for good when creating it failed.
extern HWND Editor;

// Makes the class "RichEdit20W" available; the library, from the system
// folder only, stays loaded.
HMODULE LoadRichEditLibrary();

// Creates the editor in the top-left corner of `dialog`; null on failure.
HWND CreateEditor(HWND dialog);

// Adds mouse events to the editor's notifications.
void AddMouseEventsToEventMask(HWND editor);

// Leaves the text limit to the control's default.
void UseDefaultTextLimit(HWND editor);

// Raises the text limit so that a text of `length` units fits; never lowers it.
void AllowTextLength(HWND editor, std::size_t length);

void SelectAllEditorText(HWND editor);

// Copies the selected text into `text`, which grows to hold all of it: the
// read is bounded by the buffer and repeated with more room if it filled up.
void ReadEditorSelection(HWND editor, std::wstring& text);

// Replaces the selection, or inserts at the caret; not undoable.
void ReplaceEditorSelection(HWND editor, const wchar_t* text);
