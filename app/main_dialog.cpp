#include "main_dialog.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <windowsx.h>

#include <string>

#include "editor_control.h"
#include "editor_hook.h"
#include "keyboard_table.h"
#include "resource.h"
#include "system_library.h"
#include "text_converters.h"
#include "text_export.h"
#include "wide_text.h"

#ifndef KORVEL_HOME_HOST
#define KORVEL_HOME_HOST "korvel.example"
#endif

namespace {

// The address "Home site" opens; the host is set at build time.
const wchar_t HomePageAddress[] = L"http://" KORVEL_HOME_HOST L"/korvel_latin.php";

// Loaded once at start-up and kept until the process ends.
HMODULE RichEditLibrary = nullptr;

using TextConverter = std::u16string (*)(std::u16string_view);

void MakeTopMost(HWND dialog, bool topMost) {
  SetWindowPos(dialog, topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// The common controls are no KnownDLL, so the loader would look for them
// beside Korvel.exe first if they were imported: they are loaded at run time,
// from the system folder, instead.
bool InitCommonControlsForDialog() {
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  const auto initCommonControlsEx = SystemFunction<InitFunction>(L"COMCTL32.DLL", "InitCommonControlsEx");
  if (!initCommonControlsEx) return false;
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES;
  return initCommonControlsEx(&controls) != FALSE;
}

// ShellExecuteW ("Home site") may hand the address to a shell extension,
// which needs COM on the calling thread: it is initialised once, when the
// dialog starts, and stays so until the thread ends.
void InitialiseComForShell() {
  static const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  (void)initialised;
}

void InstallEditorHook(HWND dialog) {
  PreviousEditorProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(GetDlgItem(dialog, IDC_EDITOR), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditorProc)));
}

BOOL OnInitDialog(HWND dialog, HWND /*focus*/, LPARAM /*param*/) {
  InitialiseComForShell();
  if (!InitCommonControlsForDialog()) return FALSE;
  BuildKeyboardTable();
  SetCaptionText(dialog, L"German to Russian");
  MakeTopMost(dialog, true);
  RichEditLibrary = LoadRichEditLibrary();
  Editor = CreateEditor(dialog);
  AddMouseEventsToEventMask(Editor);
  UseDefaultTextLimit(Editor);
  InstallEditorHook(dialog);
  SetFocus(Editor);
  if (!Editor) MessageBoxW(nullptr, L"Load RTF", L"Error", MB_OK);
  CheckDlgButton(dialog, IDC_TOP_POS, BST_CHECKED);
  return FALSE;  // the focus is set already
}

void OnActivate(HWND /*dialog*/, UINT /*state*/, HWND /*other*/, BOOL /*minimized*/) { SetFocus(Editor); }

void ApplyTopPosition(HWND dialog) { MakeTopMost(dialog, IsDlgButtonChecked(dialog, IDC_TOP_POS) == BST_CHECKED); }

void OpenHomePage(HWND dialog) { ShellExecuteW(dialog, L"open", HomePageAddress, nullptr, nullptr, SW_SHOW); }

void ConvertWholeText(TextConverter convert) {
  ReadAllText();  // the whole text is selected now
  const std::wstring converted = ToWindowsText(convert(ToCoreText(TextBuffer)));
  // A conversion may lengthen the text (a space becomes two): make room so
  // the control takes all of it.
  AllowTextLength(Editor, converted.size());
  ReplaceEditorSelection(Editor, converted.c_str());
  SetFocus(Editor);
}

void OnCommand(HWND dialog, int id, HWND /*control*/, UINT /*notification*/) {
  switch (id) {
    case IDC_EXPORT:
      ExportText(dialog);
      break;
    case IDC_CANCEL:
      EndDialog(dialog, IDC_CANCEL);
      break;
    case IDC_HOME_SITE:
      OpenHomePage(dialog);
      break;
    case IDC_RUSSIAN_MODE:
      SelectMode(dialog, L"Russian alphabet");
      break;
    case IDC_UKRAINIAN_MODE:
      SelectMode(dialog, L"Ukrainian alphabet");
      break;
    case IDC_KEYBOARD_MODE:
      SelectMode(dialog, L"Váš nastavený jazyk na klávesnici");
      PassThrough = true;
      break;
    case IDC_CYRILLIC_TO_LATIN:
      ConvertWholeText(CyrillicToLatin);
      break;
    case IDC_LATIN_TO_CYRILLIC:
      ConvertWholeText(LatinToCyrillic);
      break;
    case IDC_TOP_POS:
      ApplyTopPosition(dialog);
      break;
  }
}

}  // namespace

bool SelectMode(HWND dialog, const wchar_t* title) {
  PassThrough = false;
  SetFocus(GetDlgItem(dialog, IDC_EDITOR));
  SetCaptionText(dialog, title);
  return true;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      HANDLE_WM_INITDIALOG(dialog, wParam, lParam, OnInitDialog);
      break;
    case WM_ACTIVATE:
      HANDLE_WM_ACTIVATE(dialog, wParam, lParam, OnActivate);
      break;
    case WM_COMMAND:
      HANDLE_WM_COMMAND(dialog, wParam, lParam, OnCommand);
      break;
  }
  return FALSE;
}

INT_PTR MainDialog(HINSTANCE instance) {
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc, 0);
}
