#include "text_rewrite.h"

#include <cwctype>
#include <memory>
#include <optional>

#include "front_window.h"
#include "saved_clipboard.h"
#include "text_automation.h"

namespace {

// What code editors put beside a whole line that Copy took for want of a
// selection.
const UINT LineCopies[] = {RegisterClipboardFormatW(L"VisualStudioEditorOperationsLineCutCopyClipboardTag"),
                           RegisterClipboardFormatW(L"MSDEVLineSelect")};
const UINT CodeEditorData = RegisterClipboardFormatW(L"vscode-editor-data");

bool IsSpace(char16_t unit) { return unit == u' ' || unit == u'\t' || unit == 0xA0; }
bool IsLineBreak(char16_t unit) { return unit == u'\r' || unit == u'\n'; }

// Steps of the caret over `text`: a line break and a surrogate pair are one.
int CaretSteps(const std::u16string& text) {
  int steps = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool secondOfPair =
        i > 0 && ((text[i] == u'\n' && text[i - 1] == u'\r') ||
                  (text[i] >= 0xDC00 && text[i] <= 0xDFFF && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF));
    if (!secondOfPair) ++steps;
  }
  return steps;
}

// The word that ends at `caret` (spaces after it left out), never before
// `lineStart`: [from, to), empty where there is none.
struct Piece {
  std::size_t from;
  std::size_t to;
};
Piece WordBefore(const std::u16string& text, std::size_t caret, std::size_t lineStart) {
  std::size_t to = caret;
  while (to > lineStart && IsSpace(text[to - 1])) --to;
  std::size_t from = to;
  while (from > lineStart && !IsSpace(text[from - 1]) && !IsLineBreak(text[from - 1])) --from;
  return {from, to};
}

std::wstring Lowered(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

// Code editors copy the whole line when nothing is selected.
bool IsCodeEditor(HWND window) {
  const std::wstring program = Lowered(ProgramOf(window));
  for (const wchar_t* editor : {L"code.exe", L"devenv.exe", L"sublime_text.exe", L"idea64.exe", L"pycharm64.exe",
                                L"clion64.exe", L"webstorm64.exe", L"rider64.exe", L"goland64.exe", L"phpstorm64.exe",
                                L"studio64.exe", L"cursor.exe", L"zed.exe"}) {
    if (program == editor) return true;
  }
  return ClassOf(GetAncestor(window, GA_ROOT)) == L"SunAwtFrame";
}

// Edit controls answer these across processes: the system carries their
// text both ways.
bool EditSelection(HWND focus, DWORD& start, DWORD& end) {
  DWORD_PTR result = 0;
  if (!IsEditControl(focus) || !SendMessageTimeoutW(focus, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result)) {
    return false;
  }
  start = LOWORD(result);
  end = HIWORD(result);
  return start != 0xFFFF && end != 0xFFFF;  // the positions fit in 16 bits
}

bool SetEditSelection(HWND focus, DWORD start, DWORD end) {
  return SendMessageTimeoutW(focus, EM_SETSEL, start, end, SMTO_ABORTIFHUNG, 1000, nullptr) != 0;
}

// The control's text as its positions count it: a rich edit control counts
// a paragraph break as one position, and gives it as \r\n.
bool EditText(HWND focus, std::u16string& text) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(focus, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length)) return false;
  std::wstring units(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(focus, WM_GETTEXT, units.size(), reinterpret_cast<LPARAM>(units.data()), SMTO_ABORTIFHUNG,
                           1000, &copied)) {
    return false;
  }
  units.resize(copied);
  text.assign(units.begin(), units.end());
  if (Lowered(ClassOf(focus)).find(L"richedit") != std::wstring::npos) {
    for (std::size_t at = text.find(u"\r\n"); at != std::u16string::npos; at = text.find(u"\r\n", at)) {
      text.erase(at + 1, 1);
    }
  }
  return true;
}

bool ReplaceEditSelection(HWND focus, const std::u16string& with) {
  const std::wstring text(with.begin(), with.end());
  // TRUE: one step of the control's undo.
  return SendMessageTimeoutW(focus, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 1000,
                             nullptr) != 0;
}

bool StandsAt(const std::u16string& text, std::size_t at, const std::u16string& piece) {
  return at + piece.size() <= text.size() && text.compare(at, piece.size(), piece) == 0;
}

}  // namespace

bool IsConsole(HWND window) {
  const HWND root = GetAncestor(window, GA_ROOT);
  const std::wstring className = ClassOf(root ? root : window);
  for (const wchar_t* console : {L"ConsoleWindowClass", L"PseudoConsoleWindow", L"CASCADIA_HOSTING_WINDOW_CLASS",
                                 L"PuTTY", L"mintty", L"VirtualConsoleClass", L"KiTTY", L"WineConsoleClass"}) {
    if (className == console) return true;
  }
  const std::wstring program = Lowered(ProgramOf(window));
  for (const wchar_t* terminal :
       {L"windowsterminal.exe", L"wt.exe", L"conhost.exe", L"openconsole.exe", L"putty.exe", L"kitty.exe",
        L"mintty.exe", L"conemu.exe", L"conemu64.exe", L"alacritty.exe", L"wezterm-gui.exe", L"mobaxterm.exe",
        L"tabby.exe", L"hyper.exe", L"cmd.exe", L"powershell.exe", L"pwsh.exe", L"wineconsole.exe"}) {
    if (program == terminal) return true;
  }
  return false;
}

RewriteOutcome TextRewriter::Rewrite(HWND focus, Rewriting rewriting, TextRewrite& done) {
  for (const auto way :
       {&TextRewriter::ByRecord, &TextRewriter::ByMessages, &TextRewriter::ByAutomation, &TextRewriter::ByClipboard}) {
    const RewriteOutcome outcome = (this->*way)(focus, rewriting, done);
    if (outcome != RewriteOutcome::NotHere) return outcome;
  }
  return RewriteOutcome::NoText;
}

RewriteOutcome TextRewriter::ByRecord(HWND focus, Rewriting rewriting, TextRewrite& done) {
  const TypedRecord::Snapshot record = hook_.Record().Read();
  if (record.field != focus) return RewriteOutcome::NotHere;
  const Piece word = WordBefore(record.text, record.text.size(), 0);
  if (word.from == word.to) return RewriteOutcome::NotHere;
  const std::u16string before = record.text.substr(word.from);
  const std::u16string trailing = record.text.substr(word.to);
  const Rewritten rewritten = RewriteInOtherAlphabet(record.text.substr(word.from, word.to - word.from), rewriting);
  const std::u16string after = rewritten.text + trailing;
  if (after == before) return RewriteOutcome::NoText;
  return TypeOver(record, before, after, rewritten.cyrillic, done);
}

// The end of the record, `before`, typed over with `after`.
RewriteOutcome TextRewriter::TypeOver(const TypedRecord::Snapshot& record, const std::u16string& before,
                                      const std::u16string& after, bool cyrillic, TextRewrite& done) {
  KeyInputs keys(hook_.Layout());
  keys.Tap(VK_BACK, CaretSteps(before));
  keys.Text(after);
  if (!hook_.Send(keys)) return RewriteOutcome::Busy;
  // A key that came by meanwhile leaves the record unsure: it starts anew.
  if (!hook_.Record().Replace(record.changes, before.size(), after)) hook_.Record().Reset(nullptr);
  done = TextRewrite{
      TextRewrite::Way::Typed, record.field, before, after, false, cyrillic, hook_.Record().Read().changes, 0};
  return RewriteOutcome::Rewritten;
}

RewriteOutcome TextRewriter::FixAlphabet(HWND focus, const TypedRecord::Snapshot& runStart, const LeftAlone& leftAlone,
                                         const std::function<void()>& hold, TextRewrite& done) {
  const TypedRecord::Snapshot record = hook_.Record().Read();
  if (record.field != focus) return RewriteOutcome::NotHere;
  std::u16string_view run = record.text;
  if (runStart.field == focus && run.substr(0, runStart.text.size()) == runStart.text) {
    run.remove_prefix(runStart.text.size());
  }
  const std::optional<AlphabetFix> fix = JudgeRun(run, leftAlone);
  if (!fix) return RewriteOutcome::NoText;
  hold();
  // Typed on meanwhile: judged again at the next word's end.
  if (hook_.Record().Read().changes != record.changes) return RewriteOutcome::Moved;
  return TypeOver(record, std::u16string(run.substr(fix->begin)), fix->text, fix->cyrillic, done);
}

RewriteOutcome TextRewriter::ByMessages(HWND focus, Rewriting rewriting, TextRewrite& done) {
  DWORD start = 0;
  DWORD end = 0;
  std::u16string text;
  if (!EditSelection(focus, start, end) || !EditText(focus, text) || end > text.size() || start > end) {
    return RewriteOutcome::NotHere;
  }
  const bool selected = start != end;
  std::size_t lineStart = start;
  while (lineStart > 0 && !IsLineBreak(text[lineStart - 1])) --lineStart;
  const Piece piece = selected ? Piece{start, end} : WordBefore(text, start, lineStart);
  if (piece.from == piece.to) return RewriteOutcome::NoText;
  const std::u16string before = text.substr(piece.from, piece.to - piece.from);
  const Rewritten rewritten = RewriteInOtherAlphabet(before, rewriting);
  if (rewritten.text == before) return RewriteOutcome::NoText;
  if (!SetEditSelection(focus, static_cast<DWORD>(piece.from), static_cast<DWORD>(piece.to)) ||
      !ReplaceEditSelection(focus, rewritten.text)) {
    return RewriteOutcome::NotHere;
  }
  std::u16string now;
  if (!EditText(focus, now) || !StandsAt(now, piece.from, rewritten.text)) {
    return now == text ? RewriteOutcome::NotHere : RewriteOutcome::Busy;  // the control did not take it
  }
  const auto grown = static_cast<long>(rewritten.text.size()) - static_cast<long>(before.size());
  if (selected) {
    SetEditSelection(focus, static_cast<DWORD>(piece.from), static_cast<DWORD>(piece.from + rewritten.text.size()));
  } else {
    SetEditSelection(focus, static_cast<DWORD>(start + grown), static_cast<DWORD>(start + grown));
  }
  hook_.Record().Reset(focus);
  done = TextRewrite{TextRewrite::Way::Messages,    focus, before, rewritten.text, selected, rewritten.cyrillic, 0,
                     static_cast<DWORD>(piece.from)};
  return RewriteOutcome::Rewritten;
}

RewriteOutcome TextRewriter::ByAutomation(HWND focus, Rewriting rewriting, TextRewrite& done) {
  AutomationText found;
  if (!ReadFocusedText(found)) return RewriteOutcome::NotHere;
  std::u16string before = found.selected ? found.selection : found.beforeCaret;
  std::size_t backspaces = 0;
  if (!found.selected) {
    const Piece word = WordBefore(before, before.size(), 0);
    if (word.from == word.to) return RewriteOutcome::NoText;
    before = before.substr(word.from);
    backspaces = static_cast<std::size_t>(CaretSteps(before));
  }
  const std::size_t end = found.selected ? before.size() : WordBefore(before, before.size(), 0).to;
  const Rewritten rewritten = RewriteInOtherAlphabet(before.substr(0, end), rewriting);
  const std::u16string after = rewritten.text + before.substr(end);
  if (after == before) return RewriteOutcome::NoText;
  // Typed over: typing replaces a selection in every editor.
  KeyInputs keys(hook_.Layout());
  keys.Tap(VK_BACK, static_cast<int>(backspaces));
  keys.Text(after);
  if (!hook_.Send(keys)) return RewriteOutcome::Busy;
  hook_.Record().Reset(focus);
  done = TextRewrite{TextRewrite::Way::Keys, focus, before, after, false, rewritten.cyrillic, 0, 0};
  return RewriteOutcome::Rewritten;
}

RewriteOutcome TextRewriter::ByClipboard(HWND focus, Rewriting rewriting, TextRewrite& done) {
  if (IsConsole(focus)) return RewriteOutcome::NoText;
  auto kept = std::make_unique<SavedClipboard>();
  SavedClipboard& saved = *kept;
  if (!saved.Save(owner_)) return RewriteOutcome::Busy;
  std::u16string text;
  bool wholeLine = false;
  // The selection, if any, is what the program's Copy gives.
  const bool selected = CopyText(500, text, wholeLine) && !wholeLine;
  if (!selected) {
    KeyInputs word(hook_.Layout());
    word.Chord({VK_CONTROL, VK_SHIFT, VK_LEFT});
    if (!hook_.Send(word) || !CopyText(1500, text, wholeLine) || wholeLine) {
      KeyInputs back(hook_.Layout());
      back.Tap(VK_RIGHT);  // the caret back where it was, no selection left for the next key to replace
      hook_.Send(back);
      saved.Restore(owner_);
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
  const std::u16string after = text.substr(0, from) + rewritten.text + text.substr(to);
  if (from == to || after == text) {
    if (!selected) {
      KeyInputs back(hook_.Layout());
      back.Tap(VK_RIGHT);
      hook_.Send(back);
    }
    saved.Restore(owner_);
    return RewriteOutcome::NoText;
  }
  // A Paste that comes too late gets the text as it stood, and the
  // clipboard is put back only once it came: nothing changes.
  if (!PasteText(focus, after, text)) {
    RestoreLater(std::move(kept));
    return RewriteOutcome::Busy;
  }
  if (selected) {
    KeyInputs select(hook_.Layout());
    for (int step = 0; step < CaretSteps(after) && step < 5000; ++step) select.Chord({VK_SHIFT, VK_LEFT});
    hook_.Send(select);
  }
  saved.Restore(owner_);
  hook_.Record().Reset(focus);
  done = TextRewrite{TextRewrite::Way::Clipboard, focus, text, after, selected, rewritten.cyrillic, 0, 0};
  return RewriteOutcome::Rewritten;
}

RewriteOutcome TextRewriter::Undo(const TextRewrite& rewrite) {
  switch (rewrite.way) {
    case TextRewrite::Way::Typed: {
      const TypedRecord::Snapshot record = hook_.Record().Read();
      if (record.field != rewrite.focus || record.changes != rewrite.record) return RewriteOutcome::Moved;
      KeyInputs keys(hook_.Layout());
      keys.Tap(VK_BACK, CaretSteps(rewrite.after));
      keys.Text(rewrite.before);
      if (!hook_.Send(keys)) return RewriteOutcome::Busy;
      hook_.Record().Replace(record.changes, rewrite.after.size(), rewrite.before);
      return RewriteOutcome::Rewritten;
    }
    case TextRewrite::Way::Messages: {
      DWORD start = 0;
      DWORD end = 0;
      std::u16string text;
      const DWORD afterEnd = rewrite.start + static_cast<DWORD>(rewrite.after.size());
      if (!EditSelection(rewrite.focus, start, end) || !EditText(rewrite.focus, text) ||
          !StandsAt(text, rewrite.start, rewrite.after) ||
          (rewrite.selected ? start != rewrite.start || end != afterEnd : start != end)) {
        return RewriteOutcome::Moved;
      }
      const long grown = static_cast<long>(rewrite.before.size()) - static_cast<long>(rewrite.after.size());
      SetEditSelection(rewrite.focus, rewrite.start, afterEnd);
      if (!ReplaceEditSelection(rewrite.focus, rewrite.before)) return RewriteOutcome::Busy;
      if (rewrite.selected) {
        SetEditSelection(rewrite.focus, rewrite.start, rewrite.start + static_cast<DWORD>(rewrite.before.size()));
      } else {
        SetEditSelection(rewrite.focus, static_cast<DWORD>(start + grown), static_cast<DWORD>(start + grown));
      }
      return RewriteOutcome::Rewritten;
    }
    case TextRewrite::Way::Keys:
    case TextRewrite::Way::Clipboard: {
      // Where it still stands as it was left: read back the same way.
      AutomationText found;
      if (rewrite.way == TextRewrite::Way::Keys && ReadFocusedText(found) && !found.selected &&
          found.beforeCaret.size() >= rewrite.after.size() &&
          found.beforeCaret.compare(found.beforeCaret.size() - rewrite.after.size(), rewrite.after.size(),
                                    rewrite.after) == 0) {
        KeyInputs keys(hook_.Layout());
        keys.Tap(VK_BACK, CaretSteps(rewrite.after));
        keys.Text(rewrite.before);
        return hook_.Send(keys) ? RewriteOutcome::Rewritten : RewriteOutcome::Busy;
      }
      if (rewrite.way == TextRewrite::Way::Keys || IsConsole(rewrite.focus)) return RewriteOutcome::Moved;
      SavedClipboard saved;
      if (!saved.Save(owner_)) return RewriteOutcome::Busy;
      if (!rewrite.selected) {
        KeyInputs select(hook_.Layout());
        for (int step = 0; step < CaretSteps(rewrite.after) && step < 5000; ++step) select.Chord({VK_SHIFT, VK_LEFT});
        hook_.Send(select);
      }
      std::u16string standing;
      bool wholeLine = false;
      const bool copied = CopyText(1500, standing, wholeLine);
      if (!copied || standing != rewrite.after) {
        if (!rewrite.selected) {
          KeyInputs back(hook_.Layout());
          back.Tap(VK_RIGHT);
          hook_.Send(back);
        }
        saved.Restore(owner_);
        return RewriteOutcome::Moved;
      }
      const bool pasted = PasteText(rewrite.focus, rewrite.before, rewrite.after);
      if (pasted && rewrite.selected) {
        KeyInputs select(hook_.Layout());
        for (int step = 0; step < CaretSteps(rewrite.before) && step < 5000; ++step) select.Chord({VK_SHIFT, VK_LEFT});
        hook_.Send(select);
      }
      saved.Restore(owner_);
      return pasted ? RewriteOutcome::Rewritten : RewriteOutcome::Busy;
    }
    case TextRewrite::Way::None:
      break;
  }
  return RewriteOutcome::Moved;
}

// What the program copied with Ctrl+C within `milliseconds`; false when it
// copied no text. `wholeLine`: a code editor's Copy took the whole line.
bool TextRewriter::CopyText(DWORD milliseconds, std::u16string& text, bool& wholeLine) {
  if (!OpenClipboardSoon(owner_)) return false;
  EmptyClipboard();
  CloseClipboard();
  const DWORD before = GetClipboardSequenceNumber();
  KeyInputs copy(hook_.Layout());
  copy.Chord({VK_CONTROL, 'C'});
  if (!hook_.Send(copy)) return false;
  const bool copied = PumpUntil(
      [before] { return GetClipboardSequenceNumber() != before && IsClipboardFormatAvailable(CF_UNICODETEXT); },
      milliseconds);
  if (!copied || !OpenClipboardSoon(owner_)) return false;
  text = ClipboardText();
  wholeLine = false;
  for (const UINT format : LineCopies) wholeLine = wholeLine || IsClipboardFormatAvailable(format);
  if (const HANDLE data = GetClipboardData(CodeEditorData)) {
    if (const char* json = static_cast<const char*>(GlobalLock(data))) {
      const std::string described(json, strnlen(json, GlobalSize(data)));
      wholeLine = wholeLine || described.find("\"isFromEmptySelection\":true") != std::string::npos;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  if (IsCodeEditor(FocusedWindow()) && !text.empty() && IsLineBreak(text.back())) wholeLine = true;
  return !text.empty();
}

// Pastes `text` with Ctrl+V; true once the program took it. Where it does
// not in time, the promise stays `fallback` (the text as it stands), so that
// a Paste that comes later changes nothing.
bool TextRewriter::PasteText(HWND focus, const std::u16string& text, const std::u16string& fallback) {
  if (!OpenClipboardSoon(owner_)) return false;
  EmptyClipboard();
  promised_ = text;
  promiseTaken_ = false;
  GetWindowThreadProcessId(focus, &pasteProcess_);
  SetClipboardData(CF_UNICODETEXT, nullptr);
  // Our own texts stay out of clipboard history and the cloud clipboard,
  // whose readers would also take them too early for a paste.
  KeepOutOfClipboardHistory();
  CloseClipboard();
  KeyInputs paste(hook_.Layout());
  paste.Chord({VK_CONTROL, 'V'});
  if (!hook_.Send(paste) || !PumpUntil([this] { return promiseTaken_; }, 3000)) {
    promised_ = fallback;
    return false;
  }
  // The program inserts what it read before it closes the clipboard again.
  if (OpenClipboardSoon(owner_)) CloseClipboard();
  return true;
}

void TextRewriter::RenderPromisedText(UINT format) {
  if (format != CF_UNICODETEXT || GetClipboardOwner() != owner_) return;
  HGLOBAL text = GlobalCopyOf(promised_.c_str(), (promised_.size() + 1) * sizeof(char16_t));
  if (text && !SetClipboardData(CF_UNICODETEXT, text)) GlobalFree(text);
  // Asked by the program pasting, not by one that only watches the
  // clipboard, nor by one that names no window of its own.
  DWORD asking = 0;
  if (const HWND window = GetOpenClipboardWindow()) GetWindowThreadProcessId(window, &asking);
  if (asking != 0 && asking == pasteProcess_) promiseTaken_ = true;
}

void TextRewriter::RestoreLater(std::unique_ptr<SavedClipboard> saved) {
  pendingRestore_ = std::move(saved);
  restoreBy_ = GetTickCount64() + 60000;
  SetTimer(owner_, kRestoreTimer, 500, nullptr);
}

void TextRewriter::OnRestoreTimer() {
  if (pendingRestore_ && GetClipboardOwner() != owner_) {
    pendingRestore_.reset();  // the user copied something else since: that stays
  } else if (pendingRestore_ && (promiseTaken_ || GetTickCount64() > restoreBy_)) {
    pendingRestore_->Restore(owner_);
    pendingRestore_.reset();
  }
  if (!pendingRestore_) KillTimer(owner_, kRestoreTimer);
}

void TextRewriter::RenderAllPromisedText() {
  if (!OpenClipboard(owner_)) return;
  if (GetClipboardOwner() == owner_) RenderPromisedText(CF_UNICODETEXT);
  CloseClipboard();
}
