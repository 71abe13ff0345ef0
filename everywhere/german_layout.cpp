#include "german_layout.h"

#include <string>
#include <utility>
#include <vector>

namespace {

// The letters and sign that German keys type without Shift and no other
// layout has all of (the Swiss one lacks ß and #). Asked of every key, not
// of the German keys' codes: Wine gives those keys codes of its own.
constexpr wchar_t GermanCharacters[] = L"\u00F6\u00E4\u00FC\u00DF#";

bool GivesGermanCharacters(HKL layout) {
  const BYTE state[256] = {};
  std::wstring missing = GermanCharacters;
  for (UINT virtualKey = 1; virtualKey < 0xFF && !missing.empty(); ++virtualKey) {
    wchar_t typed[4] = {};
    // Flag 4: a dead key waiting in the system stays waiting.
    if (ToUnicodeEx(virtualKey, MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_VSC, layout), state, typed, 4, 4, layout) !=
        1) {
      continue;
    }
    const std::size_t at = missing.find(typed[0]);
    if (at != std::wstring::npos) missing.erase(at, 1);
  }
  return missing.empty();
}

}  // namespace

bool IsGermanLayout(HKL layout) {
  // Asked at each verdict, from the tray window's thread alone.
  static std::vector<std::pair<HKL, bool>> known;
  for (const auto& [seen, german] : known) {
    if (seen == layout) return german;
  }
  const bool german = GivesGermanCharacters(layout);
  known.emplace_back(layout, german);
  return german;
}
