#include "korvel_dialog_fixture.h"

#include <richedit.h>

#include "editor_control.h"
#include "editor_hook.h"
#include "main_dialog.h"
#include "resource.h"

void KorvelDialogTest::SetUp() {
  dialog_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc, 0);
  ASSERT_NE(dialog_, nullptr);
  ShowWindow(dialog_, SW_SHOW);
  SetForegroundWindow(dialog_);
  PumpMessages();
  ASSERT_NE(Editor, nullptr);
  ASSERT_EQ(GetFocus(), Editor);
}

void KorvelDialogTest::TearDown() {
  if (dialog_) DestroyWindow(dialog_);
  PumpMessages();
  PassThrough = false;
}

void KorvelDialogTest::PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!IsDialogMessageW(dialog_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

bool KorvelDialogTest::PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    PumpMessages();
    if (done()) return true;
    if (GetTickCount64() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

void KorvelDialogTest::TypeCharacters(std::wstring_view units) {
  for (const wchar_t unit : units) SendMessageW(Editor, WM_CHAR, unit, 1);
}

void KorvelDialogTest::PressKey(WORD virtualKey, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(1, &input, sizeof(input)), 1u);
  // Until this thread has taken the key's message: its own key state then
  // says so (and the characters the key typed have been handled too).
  ASSERT_TRUE(PumpUntil([&] { return (GetKeyState(virtualKey) < 0) == down; }, 30000))
      << "the key " << virtualKey << (down ? " down" : " up") << " did not arrive";
}

void KorvelDialogTest::TapKey(WORD virtualKey) {
  PressKey(virtualKey, true);
  PressKey(virtualKey, false);
}

void KorvelDialogTest::Command(int id) {
  SendMessageW(dialog_, WM_COMMAND, static_cast<WPARAM>(id), 0);
  PumpMessages();
}

std::wstring KorvelDialogTest::EditorText() const {
  // The text as the control holds it: a paragraph break is one \r.
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const auto units =
      static_cast<std::size_t>(SendMessageW(Editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
  std::wstring text(units + 1, L'\0');
  GETTEXTEX request{};
  request.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  request.flags = GT_DEFAULT;
  request.codepage = 1200;
  text.resize(static_cast<std::size_t>(
      SendMessageW(Editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

void KorvelDialogTest::SetEditorText(const std::wstring& text) {
  SetWindowTextW(Editor, text.c_str());
  SendMessageW(Editor, EM_SETSEL, static_cast<WPARAM>(-1), -1);  // caret at the end, as after typing
}

std::wstring KorvelDialogTest::Title() const {
  wchar_t title[256] = {};
  GetWindowTextW(dialog_, title, 256);
  return title;
}

std::wstring KorvelDialogTest::LabelText() const {
  wchar_t label[256] = {};
  GetDlgItemTextW(dialog_, IDC_RESULT_LABEL, label, 256);
  return label;
}

void KorvelDialogTest::SetLabelText(const wchar_t* text) { SetDlgItemTextW(dialog_, IDC_RESULT_LABEL, text); }

bool KorvelDialogTest::IsTopMost() const { return (GetWindowLongPtrW(dialog_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

bool KorvelDialogTest::CanUndo() const { return SendMessageW(Editor, EM_CANUNDO, 0, 0) != 0; }

std::optional<std::wstring> ClipboardText() {
  std::optional<std::wstring> text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = std::wstring(units);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void PutOnClipboard(const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  ASSERT_NE(block, nullptr);
  std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(GlobalLock(block)));
  GlobalUnlock(block);
  ASSERT_NE(SetClipboardData(CF_UNICODETEXT, block), nullptr);
  CloseClipboard();
}
