// Long use of the real dialog: many keystrokes, exports and conversions,
// with GUI objects and memory staying level and the text exactly right; and
// another process holding the clipboard while exports run.
#include <windows.h>

#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <string>

#include "editor_control.h"
#include "keyboard_table.h"
#include "korvel_dialog_fixture.h"
#include "korvel_executable.h"
#include "resource.h"

namespace {

struct Resources {
  DWORD user;
  DWORD gdi;
  SIZE_T committedBytes;
};

Resources MeasureResources() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
  // Wine reports the commit charge as PagefileUsage and leaves PrivateUsage 0.
  const SIZE_T committed = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
  return {GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
          committed};
}

using SoakTest = KorvelDialogTest;

TEST_F(SoakTest, HundredThousandKeystrokesArriveExactly) {
  const std::wstring keys = L"Privet, mir! Kak dela? Xoro\u00F6o. 12345 \u00DC\u00FC\u00C4\u00E4#'+*";
  const Resources before = MeasureResources();
  std::size_t next = 0;
  // 100 pages of 1,000 keystrokes in 10 lines; each page is checked exactly
  // and then cleared, as a user copies a text away and starts the next.
  for (int page = 0; page < 100; ++page) {
    std::wstring expected;
    for (int line = 0; line < 10; ++line) {
      std::wstring typed;
      for (int i = 0; i < 100; ++i) typed += keys[next++ % keys.size()];
      TypeCharacters(typed);
      for (const wchar_t key : typed) {
        TranscribeTypedCharacter(static_cast<char16_t>(key));
        expected += static_cast<wchar_t>(LookupResult[0]);
      }
      SendMessageW(Editor, WM_KEYDOWN, VK_RETURN, 1);  // a line break, as Enter makes it
      expected += L'\r';
    }
    PumpMessages();
    const std::wstring text = EditorText();
    ASSERT_EQ(text.size(), expected.size()) << "page " << page;
    ASSERT_TRUE(text == expected) << "page " << page << ", first difference at "
                                  << std::mismatch(text.begin(), text.end(), expected.begin()).first - text.begin();
    SetEditorText(L"");
  }
  const Resources after = MeasureResources();
  EXPECT_EQ(after.user, before.user);
  EXPECT_EQ(after.gdi, before.gdi);
  EXPECT_LT(after.committedBytes, before.committedBytes + 4 * 1024 * 1024) << "memory grew by more than 4 MiB";
}

TEST_F(SoakTest, ThousandExportsAndConversionsKeepTheTextAndLeakNothing) {
  // Letters that survive the way to Latin and back, and no spaces (each
  // conversion would double them).
  const std::wstring text = L"Привет,\rмир!\rХорошо\rЖЧШьъ";
  SetEditorText(text);
  Resources afterWarmUp{};
  for (int round = 1; round <= 1000; ++round) {
    Command(IDC_EXPORT);
    Command(IDC_CYRILLIC_TO_LATIN);
    Command(IDC_LATIN_TO_CYRILLIC);
    if (round == 100) afterWarmUp = MeasureResources();
    if (round % 250 == 0) {
      ASSERT_EQ(EditorText(), text) << "round " << round;
      ASSERT_EQ(ClipboardText(), text) << "round " << round;
    }
  }
  const Resources after = MeasureResources();
  EXPECT_EQ(after.user, afterWarmUp.user);
  EXPECT_EQ(after.gdi, afterWarmUp.gdi);
  EXPECT_LT(after.committedBytes, afterWarmUp.committedBytes + 1024 * 1024) << "memory grew by more than 1 MiB";
  ASSERT_TRUE(OpenClipboard(nullptr)) << "the clipboard was left open";
  CloseClipboard();
}

// Another process holds the clipboard open: every export fails (without
// waiting for it: twenty of them end within the test's time) and leaves the
// label alone, and once the other lets go the next export succeeds.
TEST_F(SoakTest, ClipboardHeldByAnotherProcess) {
  TypeCharacters(L"Privet");
  SetLabelText(L"before");
  const std::wstring heldName = L"KorvelClipboardHeld" + std::to_wstring(GetCurrentProcessId());
  const std::wstring releaseName = L"KorvelClipboardRelease" + std::to_wstring(GetCurrentProcessId());
  const HANDLE held = CreateEventW(nullptr, TRUE, FALSE, heldName.c_str());
  const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str());
  std::wstring commandLine =
      L"\"" + ProgramBeside(L"korvel_clipboard_holder.exe") + L"\" " + heldName + L" " + releaseName;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(
      CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  ASSERT_EQ(WaitForSingleObject(held, 30000), WAIT_OBJECT_0) << "the holder did not open the clipboard";

  for (int attempt = 0; attempt < 20; ++attempt) {
    Command(IDC_EXPORT);
    EXPECT_EQ(LabelText(), L"before");
  }

  SetEvent(release);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  DWORD holderExit = 1;
  GetExitCodeProcess(process.hProcess, &holderExit);
  EXPECT_EQ(holderExit, 0u);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(held);
  CloseHandle(release);

  Command(IDC_EXPORT);
  EXPECT_EQ(LabelText(), L"Привет");
  EXPECT_EQ(ClipboardText(), L"Привет");
  ASSERT_TRUE(OpenClipboard(nullptr)) << "the clipboard was left open";
  CloseClipboard();
}

}  // namespace
