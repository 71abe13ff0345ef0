// Export of the editor's text to the clipboard and the result label.
#include <windows.h>

#include <richedit.h>

#include <thread>

#include "editor_control.h"
#include "korvel_dialog_fixture.h"
#include "resource.h"
#include "text_export.h"

namespace {

using TextExportTest = KorvelDialogTest;

TEST_F(TextExportTest, OkPutsTheWholeTextOnTheClipboardAndItsBeginningInTheLabel) {
  std::wstring typed;
  for (int i = 0; i < 10; ++i) typed += L"Privet mir";  // 100 characters
  TypeCharacters(typed);
  const std::wstring text = EditorText();
  ASSERT_EQ(text.size(), 100u);

  SendMessageW(GetDlgItem(dialog_, IDC_EXPORT), BM_CLICK, 0, 0);
  PumpMessages();
  EXPECT_EQ(ClipboardText(), text);
  EXPECT_EQ(LabelText(), text.substr(0, 98));
  EXPECT_EQ(GetFocus(), Editor);
  CHARRANGE selection{};
  SendMessageW(Editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  EXPECT_EQ(selection.cpMin, 0) << "the whole text stays selected";
  EXPECT_GE(selection.cpMax, 100);  // the control may count its final paragraph mark
}

TEST_F(TextExportTest, PercentSignsAndLineBreaksArriveAsTyped) {
  Command(IDC_KEYBOARD_MODE);
  TypeCharacters(L"100% %s %d %n %%");
  TapKey(VK_RETURN);
  TypeCharacters(L"\tend");
  Command(IDC_EXPORT);
  EXPECT_EQ(ClipboardText(), L"100% %s %d %n %%\r\tend");
  EXPECT_EQ(LabelText(), L"100% %s %d %n %%\r\tend");
}

TEST_F(TextExportTest, AnEmptyEditorExportsAnEmptyText) {
  PutOnClipboard(L"old");
  SetLabelText(L"old");
  Command(IDC_EXPORT);
  EXPECT_EQ(ClipboardText(), L"");
  EXPECT_EQ(LabelText(), L"");
}

TEST_F(TextExportTest, ExportsATextLongerThanTheBufferWhole) {
  std::wstring text;
  while (text.size() < 70000) text += L"Длинная строка текста для проверки буфера обмена и метки.\r";
  text.resize(70000);
  SetEditorText(text);
  Command(IDC_EXPORT);
  const auto copied = ClipboardText();
  ASSERT_TRUE(copied.has_value());
  EXPECT_EQ(copied->size(), text.size());
  EXPECT_TRUE(*copied == text);
  EXPECT_EQ(TextBuffer, text);
  EXPECT_EQ(LabelText(), text.substr(0, 98));
}

// Another program holding the clipboard open makes the export fail: no
// hang, the label stays, and the next export after it lets go succeeds.
TEST_F(TextExportTest, ClipboardHeldByAnotherThreadLeavesTheLabelAlone) {
  TypeCharacters(L"tekst");
  SetLabelText(L"before");
  HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    // Opened for a window, as another program would.
    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const bool held = OpenClipboard(window) != FALSE;
    SetEvent(opened);
    WaitForSingleObject(release, 10000);
    if (held) CloseClipboard();
    DestroyWindow(window);
  });
  ASSERT_EQ(WaitForSingleObject(opened, 5000), WAIT_OBJECT_0);

  Command(IDC_EXPORT);
  EXPECT_EQ(LabelText(), L"before");
  EXPECT_FALSE(OpenClipboard(nullptr)) << "the other thread still holds it";

  SetEvent(release);
  holder.join();
  CloseHandle(opened);
  CloseHandle(release);

  Command(IDC_EXPORT);
  EXPECT_EQ(LabelText(), L"текст");
  EXPECT_EQ(ClipboardText(), L"текст");
  ASSERT_TRUE(OpenClipboard(nullptr)) << "Korvel left the clipboard open";
  CloseClipboard();
}

TEST(CopyToClipboardTest, RefusesNullAndLeavesTheClipboardClosed) {
  EXPECT_FALSE(CopyToClipboard(nullptr));
  EXPECT_TRUE(CopyToClipboard(L"Ж"));
  EXPECT_EQ(ClipboardText(), L"Ж");
  ASSERT_TRUE(OpenClipboard(nullptr));
  CloseClipboard();
}

TEST(BoundedCopyTest, CutsAndAlwaysTerminates) {
  wchar_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  EXPECT_EQ(BoundedCopy(buffer, 3, L"abcd"), static_cast<HRESULT>(0x8007007A));
  EXPECT_STREQ(buffer, L"ab");

  std::fill(std::begin(buffer), std::end(buffer), L'#');
  EXPECT_EQ(BoundedCopy(buffer, 4, L"abcd"), static_cast<HRESULT>(0x8007007A));
  EXPECT_STREQ(buffer, L"abc");

  std::fill(std::begin(buffer), std::end(buffer), L'#');
  EXPECT_EQ(BoundedCopy(buffer, 5, L"abcd"), S_OK);
  EXPECT_STREQ(buffer, L"abcd");
  EXPECT_EQ(buffer[5], L'#') << "nothing written past the terminator";

  std::fill(std::begin(buffer), std::end(buffer), L'#');
  EXPECT_EQ(BoundedCopy(buffer, 0, L"abcd"), static_cast<HRESULT>(0x80070057));
  EXPECT_EQ(buffer[0], L'#') << "capacity 0 writes nothing";

  EXPECT_EQ(BoundedCopy(buffer, 1, L""), S_OK);
  EXPECT_EQ(buffer[0], L'\0');
}

TEST(SetCaptionTextTest, KeepsTheFirst98UnitsExactly) {
  const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  std::wstring text;
  for (int i = 0; i < 120; ++i) text += static_cast<wchar_t>(L'A' + i % 26);
  text[10] = L'%';
  SetCaptionText(window, text.c_str());
  wchar_t shown[256] = {};
  GetWindowTextW(window, shown, 256);
  EXPECT_EQ(std::wstring(shown), text.substr(0, 98));

  SetCaptionText(window, L"%s%d%%");
  GetWindowTextW(window, shown, 256);
  EXPECT_STREQ(shown, L"%s%d%%");
  DestroyWindow(window);
}

}  // namespace
