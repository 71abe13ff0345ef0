#include "text_rewrite.h"

#include <cstring>

#include "front_window.h"
#include "keyboard_hook.h"
#include "saved_clipboard.h"

namespace {

// Our own texts on the clipboard stay out of clipboard history and the
// cloud clipboard, whose readers would also take them too early for a paste.
const UINT ExcludeFromMonitors = RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
const UINT CanIncludeInHistory = RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");

// The text a Paste is to insert, put on the clipboard only when the program
// asks for it: its asking tells that the Paste has come.
std::u16string Promised;
DWORD PasteProcess = 0;
bool PromiseTaken = false;

// Steps of the caret over `text`: a line break and a surrogate pair are one.
std::size_t CaretSteps(const std::u16string& text) {
  std::size_t steps = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool secondOfPair =
        i > 0 && ((text[i] == u'\n' && text[i - 1] == u'\r') ||
                  (text[i] >= 0xDC00 && text[i] <= 0xDFFF && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF));
    if (!secondOfPair) ++steps;
  }
  return steps;
}

// Runs our window's messages (the clipboard's requests among them) until
// `done` or the time is up.
template <typename Done>
bool WaitFor(Done done, DWORD milliseconds) {
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

void PutMarker(UINT format, DWORD value) {
  HGLOBAL global = GlobalCopyOf(&value, sizeof(value));
  if (global && !SetClipboardData(format, global)) GlobalFree(global);
}

bool EmptyTheClipboard(HWND owner) {
  if (!OpenClipboardSoon(owner)) return false;
  EmptyClipboard();
  CloseClipboard();
  return true;
}

// What the program copied with Ctrl+C within `milliseconds`; false when it
// copied no text.
bool CopyText(HWND owner, DWORD milliseconds, std::u16string& text) {
  if (!EmptyTheClipboard(owner)) return false;
  const DWORD before = GetClipboardSequenceNumber();
  if (!PressKeys({VK_CONTROL, 'C'})) return false;
  const bool copied =
      WaitFor([before] { return GetClipboardSequenceNumber() != before && IsClipboardFormatAvailable(CF_UNICODETEXT); },
              milliseconds);
  if (!copied || !OpenClipboardSoon(owner)) return false;
  text.clear();
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    const std::size_t most = GlobalSize(data) / sizeof(char16_t);
    if (const auto* units = static_cast<const char16_t*>(GlobalLock(data))) {
      std::size_t length = 0;
      while (length < most && units[length] != 0) ++length;
      text.assign(units, length);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return !text.empty();
}

// Pastes `text` with Ctrl+V; true once the program took it.
bool PasteText(HWND owner, HWND focus, const std::u16string& text) {
  if (!OpenClipboardSoon(owner)) return false;
  EmptyClipboard();
  Promised = text;
  PromiseTaken = false;
  GetWindowThreadProcessId(focus, &PasteProcess);
  SetClipboardData(CF_UNICODETEXT, nullptr);
  PutMarker(ExcludeFromMonitors, 0);
  PutMarker(CanIncludeInHistory, 0);
  CloseClipboard();
  if (!PressKeys({VK_CONTROL, 'V'})) return false;
  if (!WaitFor([] { return PromiseTaken; }, 3000)) return false;
  // The program inserts what it read before it closes the clipboard again.
  if (OpenClipboardSoon(owner)) CloseClipboard();
  return true;
}

// An edit control's selection, where it tells it (the positions fit in 16 bits).
bool EditSelection(HWND focus, DWORD& start, DWORD& end) {
  DWORD_PTR result = 0;
  if (!IsEditControl(focus) || !SendMessageTimeoutW(focus, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result)) {
    return false;
  }
  start = LOWORD(result);
  end = HIWORD(result);
  return start != 0xFFFF && end != 0xFFFF;
}

// Selects the `steps` caret steps before the caret.
void SelectBack(HWND focus, std::size_t steps, DWORD editStart) {
  DWORD start = 0;
  DWORD caret = 0;
  if (editStart != 0xFFFF && EditSelection(focus, start, caret)) {
    SendMessageTimeoutW(focus, EM_SETSEL, editStart, caret, SMTO_ABORTIFHUNG, 1000, nullptr);
    return;
  }
  for (std::size_t step = 0; step < steps && step < 5000; ++step) PressKeys({VK_SHIFT, VK_LEFT});
}

// Replaces what stands selected with `text`, which stays selected when
// `keepSelected`, and puts the clipboard back.
RewriteOutcome Replace(HWND owner, HWND focus, const std::u16string& text, bool keepSelected, DWORD editStart,
                       SavedClipboard& saved) {
  const bool pasted = PasteText(owner, focus, text);
  if (pasted && keepSelected) SelectBack(focus, CaretSteps(text), editStart);
  saved.Restore(owner);
  return pasted ? RewriteOutcome::Rewritten : RewriteOutcome::NoText;
}

bool IsSpace(char16_t unit) { return unit == u' ' || unit == u'\t' || unit == 0xA0; }

}  // namespace

RewriteOutcome RewriteTextInFront(HWND owner, HWND focus, Rewriting rewriting, TextRewrite& done) {
  SavedClipboard saved;
  if (!saved.Save(owner)) return RewriteOutcome::Busy;
  LetGoOfModifiers();
  std::u16string text;
  DWORD start = 0xFFFF;
  DWORD end = 0xFFFF;
  const bool knowsSelection = EditSelection(focus, start, end);
  // Where the program tells none, a selection is what its Copy gives.
  const bool selected = knowsSelection ? start != end && CopyText(owner, 3000, text) : CopyText(owner, 500, text);
  if (!selected) {
    start = 0xFFFF;
    PressKeys({VK_CONTROL, VK_SHIFT, VK_LEFT});
    if (!CopyText(owner, 1500, text)) {
      saved.Restore(owner);
      return RewriteOutcome::NoText;
    }
  }
  // The word alone: never past the line's start, and the spaces after it
  // stay as they are.
  std::size_t from = 0;
  std::size_t to = text.size();
  if (!selected) {
    const std::size_t lineBreak = text.find_last_of(u"\r\n");
    if (lineBreak != std::u16string::npos) from = lineBreak + 1;
    while (to > from && IsSpace(text[to - 1])) --to;
  }
  const Rewritten rewritten = RewriteInOtherAlphabet(std::u16string_view(text).substr(from, to - from), rewriting);
  if (from == to || rewritten.text == text.substr(from, to - from)) {
    if (!selected) PressKeys({VK_RIGHT});  // the caret back where it was
    saved.Restore(owner);
    return RewriteOutcome::NoText;
  }
  done =
      TextRewrite{focus, text, text.substr(0, from) + rewritten.text + text.substr(to), selected, rewritten.cyrillic};
  return Replace(owner, focus, done.after, selected, start, saved);
}

RewriteOutcome UndoTextRewrite(HWND owner, const TextRewrite& rewrite) {
  SavedClipboard saved;
  if (!saved.Save(owner)) return RewriteOutcome::Busy;
  LetGoOfModifiers();
  DWORD start = 0xFFFF;
  DWORD end = 0xFFFF;
  if (rewrite.selected) {
    EditSelection(rewrite.focus, start, end);
  } else {
    SelectBack(rewrite.focus, CaretSteps(rewrite.after), 0xFFFF);
  }
  // A click may have moved the caret since: the text is put back only over
  // what the rewriting left.
  std::u16string standing;
  const bool copied = CopyText(owner, 1500, standing);
  if (!copied || standing != rewrite.after) {
    if (copied && !rewrite.selected) PressKeys({VK_RIGHT});  // the caret back where it was
    saved.Restore(owner);
    return RewriteOutcome::Moved;
  }
  return Replace(owner, rewrite.focus, rewrite.before, rewrite.selected, start, saved);
}

void RenderPromisedText(HWND owner, UINT format) {
  if (format != CF_UNICODETEXT || GetClipboardOwner() != owner) return;
  HGLOBAL text = GlobalCopyOf(Promised.c_str(), (Promised.size() + 1) * sizeof(char16_t));
  if (text && !SetClipboardData(CF_UNICODETEXT, text)) GlobalFree(text);
  // Asked by the program pasting (which may name no window), not by one that
  // only watches the clipboard.
  DWORD asking = 0;
  if (const HWND window = GetOpenClipboardWindow()) GetWindowThreadProcessId(window, &asking);
  if (asking == 0 || asking == PasteProcess) PromiseTaken = true;
}

void RenderAllPromisedText(HWND owner) {
  if (!OpenClipboard(owner)) return;
  if (GetClipboardOwner() == owner) RenderPromisedText(owner, CF_UNICODETEXT);
  CloseClipboard();
}
