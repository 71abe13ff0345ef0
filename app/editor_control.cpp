#include "editor_control.h"

#include <richedit.h>

#include <algorithm>

#include "resource.h"
#include "system_library.h"

HWND Editor = nullptr;

namespace {

// WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE |
// ES_AUTOVSCROLL | ES_NOHIDESEL. No WS_TABSTOP: Tab belongs to the text.
constexpr DWORD kEditorStyle =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
static_assert(kEditorStyle == 0x50A00144);

constexpr int kEditorWidth = 327;
constexpr int kEditorHeight = 190;

// Room for a full editor at its default limit (65,535 units) and a zero.
constexpr std::size_t kInitialReadUnits = 65536;

}  // namespace

HMODULE LoadRichEditLibrary() { return LoadSystemLibrary(L"RICHED32.DLL"); }

HWND CreateEditor(HWND dialog) {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
  return CreateWindowExW(WS_EX_CLIENTEDGE, L"RichEdit20W", L"", kEditorStyle, 0, 0, kEditorWidth, kEditorHeight, dialog,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_EDITOR)), instance, nullptr);
}

void AddMouseEventsToEventMask(HWND editor) {
  const LRESULT mask = SendMessageW(editor, EM_GETEVENTMASK, 0, 0);
  SendMessageW(editor, EM_SETEVENTMASK, 0, mask | ENM_MOUSEEVENTS);
}

void UseDefaultTextLimit(HWND editor) { SendMessageW(editor, EM_LIMITTEXT, 0, 0); }

void AllowTextLength(HWND editor, std::size_t length) {
  const auto limit = static_cast<std::size_t>(SendMessageW(editor, EM_GETLIMITTEXT, 0, 0));
  if (length > limit) SendMessageW(editor, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(length));
}

void SelectAllEditorText(HWND editor) { SendMessageW(editor, EM_SETSEL, 0, -1); }

void ReadEditorSelection(HWND editor, std::wstring& text) {
  CHARRANGE selection{};
  SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  const auto selected = static_cast<std::size_t>(std::max<LONG>(0, selection.cpMax - selection.cpMin));
  // EM_GETSELTEXT would write as much as the control holds, whatever the
  // buffer; EM_GETTEXTEX stops at the size it is given.
  std::size_t capacity = std::max(kInitialReadUnits, selected + 2);
  for (;;) {
    text.resize(capacity);
    GETTEXTEX request{};
    request.cb = static_cast<DWORD>(capacity * sizeof(wchar_t));
    request.flags = GT_SELECTION;
    request.codepage = 1200;  // UTF-16
    const auto read = static_cast<std::size_t>(
        SendMessageW(editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request), reinterpret_cast<LPARAM>(text.data())));
    if (read + 1 < capacity) {
      text.resize(read);
      return;
    }
    capacity *= 2;  // the buffer filled up: there may be more
  }
}

void ReplaceEditorSelection(HWND editor, const wchar_t* text) {
  SendMessageW(editor, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}
