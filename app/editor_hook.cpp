#include "editor_hook.h"

#include "editor_control.h"
#include "keyboard_table.h"
#include "resource.h"
#include "wide_text.h"

bool PassThrough = false;
WNDPROC PreviousEditorProc = nullptr;

namespace {

bool IsControlKeyDown() { return GetAsyncKeyState(VK_CONTROL) < 0; }

// Ctrl+A and Ctrl+C export the whole text first; the control then still
// selects or copies as usual.
void ExportOnSelectAllOrCopy(HWND editor, WPARAM virtualKey, LPARAM keyData) {
  if (IsControlKeyDown() && (virtualKey == 'A' || virtualKey == 'C')) {
    SendMessageW(GetParent(editor), WM_COMMAND, IDC_EXPORT, keyData);
  }
}

// Inserts what the typed character stands for; false leaves the character
// to the control.
bool InsertTranscription(HWND editor, WPARAM typed) {
  if (PassThrough || !IsTranscribedCharacter(typed)) return false;
  TranscribeTypedCharacter(static_cast<char16_t>(typed));
  ReplaceEditorSelection(editor, ToWindowsText(LookupResult).c_str());
  return true;
}

}  // namespace

LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE:
      // The editor claims all keys, so Enter inserts a line break instead of
      // pressing "OK", and Tab and Escape stay in the text too.
      return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      ExportOnSelectAllOrCopy(window, wParam, lParam);
      break;
    case WM_CHAR:
      if (InsertTranscription(window, wParam)) return 0;
      break;
  }
  return CallWindowProcW(PreviousEditorProc, window, message, wParam, lParam);
}
