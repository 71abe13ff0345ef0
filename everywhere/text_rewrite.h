// Pause and Shift+Pause in any program: the word before the caret, or the
// selection, in the other alphabet. Each way of reaching the text is tried in
// turn, the surest first:
//   - typed: the word is at the end of what Korvel saw typed into the field
//     (TypedRecord): Backspaces and the new text, as keys, with no clipboard,
//     so that it works in consoles and every program that takes typing;
//   - the control's own messages, in Edit and RichEdit controls (a selection,
//     or text Korvel did not see being typed): read, and replaced as one step
//     of the control's undo;
//   - UI Automation's text pattern, where the program offers it: read, and
//     typed over;
//   - the clipboard, with the program's own Copy and Paste, where neither of
//     those exists, and never in a console, where Ctrl+C interrupts. In a code
//     editor, where Copy with nothing selected takes the whole line, only the
//     word is taken.
// A fix that does not complete leaves the text and the caret as they were.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "alphabet_detector.h"
#include "keyboard_hook.h"
#include "saved_clipboard.h"
#include "wrong_alphabet.h"

// What one rewriting did, so that Pause pressed again at once undoes it.
struct TextRewrite {
  enum class Way { None, Typed, Messages, Keys, Clipboard };
  Way way = Way::None;
  HWND focus = nullptr;
  std::u16string before;     // the text as it stood
  std::u16string after;      // what replaced it
  bool selected = false;     // a selection, which stays selected; else a word, the caret after it
  bool cyrillic = false;     // the text's alphabet now
  unsigned long record = 0;  // Typed: the record's change count as the fix left it
  DWORD start = 0;           // Messages: where the text starts in the control
};

enum class RewriteOutcome {
  Rewritten,
  NoText,   // no text to rewrite here, or none that changes
  Busy,     // the clipboard stayed in another program's hands, or keys stayed held
  Moved,    // the rewritten text no longer stands where it was left: nothing undone
  NotHere,  // this way does not reach the field's text: the next is tried
};

class TextRewriter {
 public:
  // `owner` opens the clipboard where it is used, and must hand
  // WM_RENDERFORMAT and WM_RENDERALLFORMATS on to this object.
  TextRewriter(KeyboardHook& hook, HWND owner) : hook_(hook), owner_(owner) {}

  // Rewrites in the focused window `focus`.
  RewriteOutcome Rewrite(HWND focus, Rewriting rewriting, TextRewrite& done);
  // The fixing by itself, at a word's end: what was typed into `focus`
  // since `runStart` (the record as it stood at the last switch or fix, or
  // the whole record where it no longer begins so) judged for the wrong
  // alphabet, with no key held; `hold` is called only where it reads as the
  // other, before the record is read again and typed over.
  RewriteOutcome FixAlphabet(HWND focus, const TypedRecord::Snapshot& runStart, const LeftAlone& leftAlone,
                             const std::function<void()>& hold, TextRewrite& done);
  // Puts back what `rewrite` replaced, where it still stands as it was left.
  RewriteOutcome Undo(const TextRewrite& rewrite);

  void RenderPromisedText(UINT format);
  void RenderAllPromisedText();
  // A Paste that did not come in time keeps the user's clipboard waiting:
  // it is put back once the Paste came after all (WM_TIMER with this id).
  static constexpr UINT_PTR kRestoreTimer = 11;
  void OnRestoreTimer();

 private:
  RewriteOutcome ByRecord(HWND focus, Rewriting rewriting, TextRewrite& done);
  RewriteOutcome TypeOver(const TypedRecord::Snapshot& record, const std::u16string& before,
                          const std::u16string& after, bool cyrillic, TextRewrite& done);
  RewriteOutcome ByMessages(HWND focus, Rewriting rewriting, TextRewrite& done);
  RewriteOutcome ByAutomation(HWND focus, Rewriting rewriting, TextRewrite& done);
  RewriteOutcome ByClipboard(HWND focus, Rewriting rewriting, TextRewrite& done);
  bool CopyText(DWORD milliseconds, std::u16string& text, bool& wholeLine);
  bool PasteText(HWND focus, const std::u16string& text, const std::u16string& fallback);
  void RestoreLater(std::unique_ptr<SavedClipboard> saved);

  KeyboardHook& hook_;
  HWND owner_;
  // The text a Paste is to insert, put on the clipboard only when the
  // program asks for it: its asking tells that the Paste has come.
  std::u16string promised_;
  DWORD pasteProcess_ = 0;
  bool promiseTaken_ = false;
  std::unique_ptr<SavedClipboard> pendingRestore_;
  ULONGLONG restoreBy_ = 0;
};

// The window's program is a console or a terminal, where Ctrl+C interrupts.
bool IsConsole(HWND window);
// Runs the calling thread's messages until `done()` or `milliseconds` pass.
template <typename Done>
bool PumpUntil(Done done, DWORD milliseconds) {
  const ULONGLONG until = GetTickCount64() + milliseconds;
  while (!done()) {
    if (GetTickCount64() >= until) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return false;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}
