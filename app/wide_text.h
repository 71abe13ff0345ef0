// The Windows layer's boundary with the transcription core: Win32 speaks
// wchar_t, the core char16_t. Both are UTF-16 code units on Windows; the
// copies keep the two types apart without aliasing one as the other.
#pragma once

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows layer expects 16-bit wchar_t");

inline std::u16string ToCoreText(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

inline std::wstring ToWindowsText(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
