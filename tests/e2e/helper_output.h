// What the Windows helpers of the end-to-end tests share: reading a
// window's text and the clipboard, and writing exact UTF-16 to the driver.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

inline std::wstring WindowText(HWND window) {
  const auto length = static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

inline std::wstring ClipboardText() {
  std::wstring text;
  for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(20);
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = units;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

inline void PrintLine(const std::string& line) {
  const std::string out = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
}

// Exact UTF-16, whatever the console's code page: four hex digits a unit.
inline std::string Hex(const std::wstring& text) {
  std::string hex;
  char unit[5];
  for (const wchar_t ch : text) {
    std::snprintf(unit, sizeof(unit), "%04X", static_cast<unsigned>(ch));
    hex += unit;
  }
  return hex;
}
