// Drives the real main dialog (template 101, DialogProc, the rich edit
// control) in the test process, as the message loop of a modal dialog would.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class KorvelDialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Dispatches pending messages through the dialog manager.
  void PumpMessages();
  // Pumps until `done` holds or `milliseconds` pass; returns whether it held.
  bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 5000);

  // Character messages to the editor, one per code unit, as typing sends.
  void TypeCharacters(std::wstring_view units);
  // Real key events (SendInput), through the dialog manager to the focus.
  void PressKey(WORD virtualKey, bool down);
  void TapKey(WORD virtualKey);

  void Command(int id);
  std::wstring EditorText() const;
  void SetEditorText(const std::wstring& text);
  std::wstring Title() const;
  std::wstring LabelText() const;
  void SetLabelText(const wchar_t* text);
  bool IsTopMost() const;
  bool CanUndo() const;

  HWND dialog_ = nullptr;
};

// The clipboard's CF_UNICODETEXT, or nothing when it holds none.
std::optional<std::wstring> ClipboardText();
// Puts `text` on the clipboard, so a test sees whether an export replaced it.
void PutOnClipboard(const std::wstring& text);
