// The main dialog's start-up and commands, on the real dialog.
#include <windows.h>

#include <objbase.h>
#include <richedit.h>

#include "editor_control.h"
#include "editor_hook.h"
#include "korvel_dialog_fixture.h"
#include "resource.h"
#include "text_converters.h"
#include "wide_text.h"

namespace {

using MainDialogTest = KorvelDialogTest;

TEST_F(MainDialogTest, StartsTopMostWithItsTitleAndAnEmptyFocusedEditor) {
  EXPECT_EQ(Title(), L"German to Russian");
  EXPECT_TRUE(IsTopMost());
  EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_TOP_POS), BST_CHECKED);
  EXPECT_EQ(GetDlgItem(dialog_, IDC_EDITOR), Editor);
  EXPECT_EQ(GetFocus(), Editor);
  EXPECT_EQ(EditorText(), L"");
  EXPECT_FALSE(PassThrough);

  wchar_t className[64] = {};
  GetClassNameW(Editor, className, 64);
  EXPECT_STREQ(className, L"RichEdit20W");
  EXPECT_EQ(GetWindowLongPtrW(Editor, GWL_STYLE) & ~WS_VSCROLL, 0x50A00144 & ~WS_VSCROLL)
      << "the control drops WS_VSCROLL while nothing scrolls";
  EXPECT_TRUE(GetWindowLongPtrW(Editor, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(GetWindowLongPtrW(Editor, GWLP_ID), IDC_EDITOR);
  EXPECT_TRUE(SendMessageW(Editor, EM_GETEVENTMASK, 0, 0) & ENM_MOUSEEVENTS);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Editor, GWLP_WNDPROC)), EditorProc);
  EXPECT_NE(PreviousEditorProc, nullptr);
}

TEST_F(MainDialogTest, HiddenButtonsStayHidden) {
  for (int id :
       {IDC_RUSSIAN_MODE, IDC_UKRAINIAN_MODE, IDC_KEYBOARD_MODE, IDC_CYRILLIC_TO_LATIN, IDC_LATIN_TO_CYRILLIC}) {
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog_, id))) << "control " << id;
  }
  for (int id : {IDC_EXPORT, IDC_CANCEL, IDC_HOME_SITE, IDC_TOP_POS, IDC_RESULT_LABEL}) {
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog_, id))) << "control " << id;
  }
}

TEST_F(MainDialogTest, ModeCommandsSetTheTitleAndGiveTheEditorTheFocus) {
  const std::pair<int, const wchar_t*> modes[] = {
      {IDC_RUSSIAN_MODE, L"Russian alphabet"},
      {IDC_UKRAINIAN_MODE, L"Ukrainian alphabet"},
      {IDC_KEYBOARD_MODE, L"Váš nastavený jazyk na klávesnici"},
  };
  for (const auto& [id, title] : modes) {
    SetFocus(GetDlgItem(dialog_, IDC_TOP_POS));
    Command(id);
    EXPECT_EQ(Title(), title);
    EXPECT_EQ(GetFocus(), Editor);
    EXPECT_EQ(PassThrough, id == IDC_KEYBOARD_MODE);
  }
}

TEST_F(MainDialogTest, TopPosFollowsTheCheckBox) {
  const HWND topPos = GetDlgItem(dialog_, IDC_TOP_POS);
  SendMessageW(topPos, BM_CLICK, 0, 0);
  PumpMessages();
  EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_TOP_POS), BST_UNCHECKED);
  EXPECT_FALSE(IsTopMost());
  SendMessageW(topPos, BM_CLICK, 0, 0);
  PumpMessages();
  EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_TOP_POS), BST_CHECKED);
  EXPECT_TRUE(IsTopMost());
}

TEST_F(MainDialogTest, ComStaysInitialisedOnTheDialogThreadForHomeSite) {
  // The rich edit control initialises OLE for itself while it exists; Korvel
  // needs COM for ShellExecuteW on its own account, editor or not.
  DestroyWindow(dialog_);
  dialog_ = nullptr;
  PumpMessages();
  // S_FALSE: initialised already, apartment-threaded.
  const HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(again)) CoUninitialize();
  EXPECT_EQ(again, S_FALSE);
}

TEST_F(MainDialogTest, UnknownCommandsChangeNothing) {
  TypeCharacters(L"abc");
  PutOnClipboard(L"kept");
  for (int id : {0, 1, 999, 2004, 10009, 65535}) Command(id);
  EXPECT_EQ(EditorText(), L"абц");
  EXPECT_EQ(Title(), L"German to Russian");
  EXPECT_EQ(ClipboardText(), L"kept");
  EXPECT_TRUE(IsWindowVisible(dialog_));
}

TEST_F(MainDialogTest, ConvertsTheWholeTextBothWays) {
  SetEditorText(L"Щука и ёж\rХорошо");
  SendMessageW(Editor, EM_SETSEL, 0, 2);  // only part selected: the whole text converts anyway
  PutOnClipboard(L"kept");
  Command(IDC_CYRILLIC_TO_LATIN);
  EXPECT_EQ(EditorText(), L"Ščuka  i  jež\rChorošo");
  EXPECT_EQ(GetFocus(), Editor);
  Command(IDC_LATIN_TO_CYRILLIC);
  EXPECT_EQ(EditorText(), L"Шчука    и    йеж\rХорошо");
  EXPECT_EQ(ClipboardText(), L"kept") << "a conversion does not touch the clipboard";
}

TEST_F(MainDialogTest, ConvertsAnEmptyEditorToAnEmptyEditor) {
  Command(IDC_CYRILLIC_TO_LATIN);
  Command(IDC_LATIN_TO_CYRILLIC);
  EXPECT_EQ(EditorText(), L"");
}

// A text longer than a full editor, in lines as real texts are: nothing may
// be cut or lost on the way through the conversion.
std::wstring LongRussianText(std::size_t units) {
  const std::wstring line = L"Съешь же ещё этих мягких французских булок, да выпей чаю. Юла Ё\r";
  std::wstring text;
  while (text.size() < units) text += line;
  text.resize(units);
  return text;
}

TEST_F(MainDialogTest, ConvertsATextLongerThanTheBufferWithoutLosingAnything) {
  const std::wstring text = LongRussianText(70000);
  SetEditorText(text);
  ASSERT_EQ(EditorText(), text);
  Command(IDC_CYRILLIC_TO_LATIN);
  const std::wstring latin = ToWindowsText(CyrillicToLatin(ToCoreText(text)));
  ASSERT_GT(latin.size(), 80000u);
  EXPECT_EQ(EditorText(), latin);
  Command(IDC_LATIN_TO_CYRILLIC);
  EXPECT_EQ(EditorText(), ToWindowsText(LatinToCyrillic(ToCoreText(latin))));
}

}  // namespace
