// A small Windows helper for the end-to-end tests: run under the same Wine
// prefix as Korvel, it reads what a user would see (titles, texts, the
// clipboard) and sends the commands no key or button of Korvel sends.
//
// korvel_probe QUERY...   one output line per query:
//   title | label | text | topmost | clipboard   the value, as UTF-16 hex
//   rect:ID                                        "x y" of the control's centre on screen
//   command:ID                                     posts WM_COMMAND ID to the dialog
//   mark-clipboard                                 puts a known marker text on the clipboard
// Exit code 3 when no Korvel dialog is open.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "probe_output.h"

namespace {

constexpr int kEditorId = 10009;
constexpr int kLabelId = 1011;

BOOL CALLBACK MatchKorvelDialog(HWND window, LPARAM found) {
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  const HWND editor = GetDlgItem(window, kEditorId);
  wchar_t editorClass[32] = {};
  if (editor) GetClassNameW(editor, editorClass, 32);
  if (std::wcscmp(className, L"#32770") == 0 && std::wcscmp(editorClass, L"RichEdit20W") == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindKorvelDialog() {
  HWND dialog = nullptr;
  EnumWindows(MatchKorvelDialog, reinterpret_cast<LPARAM>(&dialog));
  return dialog;
}

void MarkClipboard() {
  const wchar_t marker[] = L"korvel-e2e-marker";
  for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(20);
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(marker));
  std::memcpy(GlobalLock(block), marker, sizeof(marker));
  GlobalUnlock(block);
  SetClipboardData(CF_UNICODETEXT, block);
  CloseClipboard();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const HWND dialog = FindKorvelDialog();
  if (!dialog) return 3;
  for (int i = 1; i < argc; ++i) {
    const std::wstring query = argv[i];
    const std::wstring argument = query.find(L':') == std::wstring::npos ? L"" : query.substr(query.find(L':') + 1);
    const int id = argument.empty() ? 0 : std::stoi(argument);
    if (query == L"title") {
      PrintLine(Hex(WindowText(dialog)));
    } else if (query == L"label") {
      PrintLine(Hex(WindowText(GetDlgItem(dialog, kLabelId))));
    } else if (query == L"text") {
      PrintLine(Hex(WindowText(GetDlgItem(dialog, kEditorId))));
    } else if (query == L"topmost") {
      PrintLine((GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "1" : "0");
    } else if (query == L"clipboard") {
      PrintLine(Hex(ClipboardText()));
    } else if (query == L"mark-clipboard") {
      MarkClipboard();
      PrintLine("ok");
    } else if (query.rfind(L"rect:", 0) == 0) {
      RECT rect{};
      GetWindowRect(GetDlgItem(dialog, id), &rect);
      PrintLine(std::to_string((rect.left + rect.right) / 2) + " " + std::to_string((rect.top + rect.bottom) / 2));
    } else if (query.rfind(L"command:", 0) == 0) {
      PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0);
      PrintLine("ok");
    } else {
      return 2;
    }
  }
  return 0;
}
