// Typing into the real editor: what the keystroke hook inserts, and what it
// leaves to the control.
#include <windows.h>

#include <richedit.h>

#include "editor_control.h"
#include "editor_hook.h"
#include "korvel_dialog_fixture.h"
#include "resource.h"

namespace {

using EditorHookTest = KorvelDialogTest;

TEST_F(EditorHookTest, TypingTranscribesLive) {
  TypeCharacters(L"Privet");
  EXPECT_EQ(EditorText(), L"Привет");
  TypeCharacters(L" Ü#Ěěß'*+");
  EXPECT_EQ(EditorText(), L"Привет ЭжъъьЖЩщ");
  // Inserted output is not undoable: the control never saw the keystroke.
  EXPECT_FALSE(CanUndo());
}

TEST_F(EditorHookTest, CharactersWithoutARowAreInsertedUnchanged) {
  TypeCharacters(L"7 ?é\u0434");  // a digit, a space, punctuation, é, Cyrillic д (code 1076)
  EXPECT_EQ(EditorText(), L"7 ?é\u0434");
  EXPECT_FALSE(CanUndo());  // still through the hook's insertion
}

TEST_F(EditorHookTest, OnlyCodesFrom31To1399AreTranscribed) {
  TypeCharacters(std::wstring(1, wchar_t{30}));
  EXPECT_EQ(EditorText(), L"") << "code 30 goes to the control, which ignores it";
  TypeCharacters(std::wstring{wchar_t{31}, wchar_t{127}, wchar_t{1399}});
  EXPECT_EQ(EditorText(), (std::wstring{wchar_t{31}, wchar_t{127}, wchar_t{1399}}));
  EXPECT_FALSE(CanUndo());

  TypeCharacters(std::wstring(1, wchar_t{1400}));
  EXPECT_EQ(EditorText(), (std::wstring{wchar_t{31}, wchar_t{127}, wchar_t{1399}, wchar_t{1400}}));
  EXPECT_TRUE(CanUndo()) << "code 1400 is the control's own typing";
}

TEST_F(EditorHookTest, SurrogatePairAndHebrewReachTheControlUnchanged) {
  TypeCharacters(L"\u05D0\U0001F600");  // alef (1488), then a pair above 1399
  EXPECT_EQ(EditorText(), L"\u05D0\U0001F600");
  EXPECT_TRUE(CanUndo());
}

TEST_F(EditorHookTest, TypingReplacesTheSelection) {
  SetEditorText(L"xyz");
  SendMessageW(Editor, EM_SETSEL, 1, 3);
  TypeCharacters(L"a");
  EXPECT_EQ(EditorText(), L"xа");
}

TEST_F(EditorHookTest, KeyboardModeTypesTheKeysOwnCharactersUntilAModeSwitchesBack) {
  Command(IDC_KEYBOARD_MODE);
  TypeCharacters(L"x");
  Command(IDC_RUSSIAN_MODE);
  TypeCharacters(L"x");
  Command(IDC_KEYBOARD_MODE);
  TypeCharacters(L"i");
  Command(IDC_UKRAINIAN_MODE);
  TypeCharacters(L"i");  // the same table in every mode: и, not і
  EXPECT_EQ(EditorText(), L"xяiи");
}

TEST_F(EditorHookTest, EditingKeysReachTheControlAndPressNoButton) {
  SetLabelText(L"unchanged");
  TypeCharacters(L"ab");
  TapKey(VK_BACK);
  TapKey(VK_RETURN);
  TapKey(VK_TAB);
  TapKey('D');  // a real key: keystroke, character message, hook
  EXPECT_EQ(EditorText(), L"а\r\tд");
  EXPECT_EQ(GetFocus(), Editor);
  EXPECT_EQ(LabelText(), L"unchanged") << "Enter must not press OK";
  EXPECT_TRUE(IsWindow(dialog_));
}

TEST_F(EditorHookTest, EscapeStaysInTheEditor) {
  TypeCharacters(L"a");
  TapKey(VK_ESCAPE);
  EXPECT_TRUE(IsWindowVisible(dialog_)) << "Escape must not cancel the dialog";
  EXPECT_EQ(GetFocus(), Editor);
  EXPECT_EQ(EditorText(), L"а");
}

TEST_F(EditorHookTest, EditorClaimsAllKeysFromTheDialogManager) {
  EXPECT_EQ(SendMessageW(Editor, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
}

// Ctrl+A and Ctrl+C export with the real key state, then still do the
// control's own select-all or copy; in keyboard mode too.
class ShortcutTest : public KorvelDialogTest, public ::testing::WithParamInterface<std::tuple<WORD, bool>> {};

TEST_P(ShortcutTest, ControlShortcutExportsTheWholeText) {
  const auto [key, keyboardMode] = GetParam();
  if (keyboardMode) Command(IDC_KEYBOARD_MODE);
  TypeCharacters(L"Privet mir");
  SendMessageW(Editor, EM_SETSEL, 0, 3);  // a partial selection: the export takes everything anyway
  PutOnClipboard(L"before");
  SetLabelText(L"before");
  const std::wstring text = EditorText();

  PressKey(VK_CONTROL, true);
  PressKey(key, true);
  EXPECT_TRUE(PumpUntil([&] { return LabelText() == text; })) << "label: " << testing::PrintToString(LabelText());
  PressKey(key, false);
  PressKey(VK_CONTROL, false);

  // The control's own select-all or copy follows the export: the state it
  // leaves is waited for.
  CHARRANGE selection{};
  const auto settled = [&] {
    SendMessageW(Editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    // The control may count its final paragraph mark.
    return selection.cpMin == 0 && selection.cpMax >= static_cast<LONG>(text.size()) && ClipboardText() == text;
  };
  EXPECT_TRUE(PumpUntil(settled, 30000));
  EXPECT_EQ(ClipboardText(), text);
  EXPECT_EQ(selection.cpMin, 0);
  EXPECT_GE(selection.cpMax, static_cast<LONG>(text.size()));
  EXPECT_EQ(EditorText(), text) << "the shortcut types nothing";
}

INSTANTIATE_TEST_SUITE_P(CtrlAAndCtrlC, ShortcutTest,
                         ::testing::Combine(::testing::Values(WORD{'A'}, WORD{'C'}), ::testing::Bool()));

TEST_F(EditorHookTest, LetterAWithoutControlJustTypes) {
  SetLabelText(L"unchanged");
  TapKey('A');
  EXPECT_EQ(EditorText(), L"а");
  EXPECT_EQ(LabelText(), L"unchanged");
}

}  // namespace
