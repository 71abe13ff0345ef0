// Pause and Shift+Pause in any program: the selection, or the word before
// the caret, read with the program's own Copy and replaced with its own
// Paste (one step for its undo), in the other alphabet. The clipboard is
// borrowed for it and holds what it held before once done.
#pragma once

#include <windows.h>

#include <string>

#include "wrong_alphabet.h"

// What one rewriting did, so that Pause pressed again at once undoes it.
struct TextRewrite {
  HWND focus = nullptr;
  std::u16string before;  // the text as it stood
  std::u16string after;   // what replaced it
  bool selected = false;  // a selection, which stays selected; else a word, the caret after it
  bool cyrillic = false;  // the text's alphabet now
};

enum class RewriteOutcome {
  Rewritten,
  NoText,  // the program gave no text to rewrite, or took none back
  Busy,    // the clipboard stayed in another program's hands
  Moved,   // the rewritten text no longer stands where it was left: nothing undone
};

// Rewrites in the program in front, whose focused window is `focus`; the
// clipboard is opened for `owner`, which must hand WM_RENDERFORMAT on to
// RenderPromisedText.
RewriteOutcome RewriteTextInFront(HWND owner, HWND focus, Rewriting rewriting, TextRewrite& done);
// Puts back what `rewrite` replaced, where it still stands as it was left
// (selected, or before the caret); Moved where it does not.
RewriteOutcome UndoTextRewrite(HWND owner, const TextRewrite& rewrite);

// WM_RENDERFORMAT and WM_RENDERALLFORMATS: the text promised for a Paste.
void RenderPromisedText(HWND owner, UINT format);
void RenderAllPromisedText(HWND owner);
