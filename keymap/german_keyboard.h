// The German QWERTZ keyboard's character keys, row by row as they stand on
// the keyboard: what each types alone and with Shift, and its position as a
// browser names it (KeyboardEvent.code, by the US key at that place). Drawn
// by the key map program and, through the WebAssembly core, by the page's
// on-screen keyboard; what the keys type in Korvel comes from the keyboard
// table, never from here.
#pragma once

#include <vector>

struct GermanKey {
  char16_t plain;
  char16_t shifted;
  const char* code;
};

struct GermanKeyRow {
  double indent;  // in key widths
  std::vector<GermanKey> keys;
};

inline const std::vector<GermanKeyRow>& GermanKeyboard() {
  static const std::vector<GermanKeyRow> rows = {
      {0.0,
       {{u'^', u'\u00B0', "Backquote"},
        {u'1', u'!', "Digit1"},
        {u'2', u'"', "Digit2"},
        {u'3', u'\u00A7', "Digit3"},
        {u'4', u'$', "Digit4"},
        {u'5', u'%', "Digit5"},
        {u'6', u'&', "Digit6"},
        {u'7', u'/', "Digit7"},
        {u'8', u'(', "Digit8"},
        {u'9', u')', "Digit9"},
        {u'0', u'=', "Digit0"},
        {u'\u00DF', u'?', "Minus"},
        {u'\u00B4', u'`', "Equal"}}},
      {1.5,
       {{u'q', u'Q', "KeyQ"},
        {u'w', u'W', "KeyW"},
        {u'e', u'E', "KeyE"},
        {u'r', u'R', "KeyR"},
        {u't', u'T', "KeyT"},
        {u'z', u'Z', "KeyY"},
        {u'u', u'U', "KeyU"},
        {u'i', u'I', "KeyI"},
        {u'o', u'O', "KeyO"},
        {u'p', u'P', "KeyP"},
        {u'\u00FC', u'\u00DC', "BracketLeft"},
        {u'+', u'*', "BracketRight"}}},
      {1.75,
       {{u'a', u'A', "KeyA"},
        {u's', u'S', "KeyS"},
        {u'd', u'D', "KeyD"},
        {u'f', u'F', "KeyF"},
        {u'g', u'G', "KeyG"},
        {u'h', u'H', "KeyH"},
        {u'j', u'J', "KeyJ"},
        {u'k', u'K', "KeyK"},
        {u'l', u'L', "KeyL"},
        {u'\u00F6', u'\u00D6', "Semicolon"},
        {u'\u00E4', u'\u00C4', "Quote"},
        {u'#', u'\'', "Backslash"}}},
      {1.25,
       {{u'<', u'>', "IntlBackslash"},
        {u'y', u'Y', "KeyZ"},
        {u'x', u'X', "KeyX"},
        {u'c', u'C', "KeyC"},
        {u'v', u'V', "KeyV"},
        {u'b', u'B', "KeyB"},
        {u'n', u'N', "KeyN"},
        {u'm', u'M', "KeyM"},
        {u',', u';', "Comma"},
        {u'.', u':', "Period"},
        {u'-', u'_', "Slash"}}},
  };
  return rows;
}
