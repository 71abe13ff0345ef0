// The German QWERTZ keyboard's character keys, row by row as they stand on
// the keyboard: what each types alone, with Shift, with AltGr (Windows) and
// with Option and Shift+Option (the Mac), and its position as a browser
// names it (KeyboardEvent.code, by the US key at that place), from which the
// key's identity on each system follows. Drawn by the key map program and,
// through the WebAssembly core, by the page's on-screen keyboard; written
// out as system keyboard layouts. What the keys type in Korvel comes from
// the keyboard table, never from here.
#pragma once

#include <cstring>
#include <string_view>
#include <vector>

struct GermanKey {
  char16_t plain;
  char16_t shifted;
  const char* code;
  char16_t altGr = 0;  // 0: types nothing
  char16_t option = 0;
  char16_t shiftOption = 0;
  // Windows' virtual key, where the key is no letter or digit (those are
  // named by what they type).
  const char* windowsKey = nullptr;
};

struct GermanKeyRow {
  double indent;  // in key widths
  std::vector<GermanKey> keys;
};

inline const std::vector<GermanKeyRow>& GermanKeyboard() {
  static const std::vector<GermanKeyRow> rows = {
      {0.0,
       {{u'^', u'\u00B0', "Backquote", 0, 0, 0, "OEM_5"},
        {u'1', u'!', "Digit1", 0, u'\u00A1', u'\u00AC'},
        {u'2', u'"', "Digit2", u'\u00B2', u'\u201C', u'\u201D'},
        {u'3', u'\u00A7', "Digit3", u'\u00B3', u'\u00B6', u'#'},
        {u'4', u'$', "Digit4", 0, u'\u00A2', u'\u00A3'},
        {u'5', u'%', "Digit5", 0, u'[', u'\uFB01'},
        {u'6', u'&', "Digit6", 0, u']', u'^'},
        {u'7', u'/', "Digit7", u'{', u'|', u'\\'},
        {u'8', u'(', "Digit8", u'[', u'{', u'\u02DC'},
        {u'9', u')', "Digit9", u']', u'}', u'\u00B7'},
        {u'0', u'=', "Digit0", u'}', u'\u2260', u'\u00AF'},
        {u'\u00DF', u'?', "Minus", u'\\', u'\u00BF', u'\u02D9', "OEM_4"},
        {u'\u00B4', u'`', "Equal", 0, 0, 0, "OEM_6"}}},
      {1.5,
       {{u'q', u'Q', "KeyQ", u'@', u'\u00AB', u'\u00BB'},
        {u'w', u'W', "KeyW", 0, u'\u2211', u'\u201E'},
        {u'e', u'E', "KeyE", u'\u20AC', u'\u20AC', u'\u2030'},
        {u'r', u'R', "KeyR", 0, u'\u00AE', u'\u00B8'},
        {u't', u'T', "KeyT", 0, u'\u2020', u'\u02DD'},
        {u'z', u'Z', "KeyY", 0, u'\u03A9', u'\u02C7'},
        {u'u', u'U', "KeyU", 0, u'\u00A8', u'\u00C1'},
        {u'i', u'I', "KeyI", 0, u'\u2044', u'\u00DB'},
        {u'o', u'O', "KeyO", 0, u'\u00F8', u'\u00D8'},
        {u'p', u'P', "KeyP", 0, u'\u03C0', u'\u220F'},
        {u'\u00FC', u'\u00DC', "BracketLeft", 0, u'\u2022', u'\u00B0', "OEM_1"},
        {u'+', u'*', "BracketRight", u'~', u'\u00B1', 0, "OEM_PLUS"}}},
      {1.75,
       {{u'a', u'A', "KeyA", 0, u'\u00E5', u'\u00C5'},
        {u's', u'S', "KeyS", 0, u'\u201A', u'\u00CD'},
        {u'd', u'D', "KeyD", 0, u'\u2202', u'\u2122'},
        {u'f', u'F', "KeyF", 0, u'\u0192', u'\u00CF'},
        {u'g', u'G', "KeyG", 0, u'\u00A9', u'\u00CC'},
        {u'h', u'H', "KeyH", 0, u'\u00AA', u'\u00D3'},
        {u'j', u'J', "KeyJ", 0, u'\u00BA', u'\u0131'},
        {u'k', u'K', "KeyK", 0, u'\u2206', u'\u02C6'},
        {u'l', u'L', "KeyL", 0, u'@', u'\uFB02'},
        {u'\u00F6', u'\u00D6', "Semicolon", 0, u'\u0153', u'\u0152', "OEM_3"},
        {u'\u00E4', u'\u00C4', "Quote", 0, u'\u00E6', u'\u00C6', "OEM_7"},
        {u'#', u'\'', "Backslash", 0, u'\u2018', u'\u2019', "OEM_2"}}},
      {1.25,
       {{u'<', u'>', "IntlBackslash", u'|', u'\u2264', u'\u2265', "OEM_102"},
        {u'y', u'Y', "KeyZ", 0, u'\u00A5', u'\u2021'},
        {u'x', u'X', "KeyX", 0, u'\u2248', u'\u00D9'},
        {u'c', u'C', "KeyC", 0, u'\u00E7', u'\u00C7'},
        {u'v', u'V', "KeyV", 0, u'\u221A', u'\u25CA'},
        {u'b', u'B', "KeyB", 0, u'\u222B', u'\u2039'},
        {u'n', u'N', "KeyN", 0, u'~', u'\u203A'},
        {u'm', u'M', "KeyM", u'\u00B5', u'\u00B5', u'\u02D8'},
        {u',', u';', "Comma", 0, u'\u221E', u'\u02DB', "OEM_COMMA"},
        {u'.', u':', "Period", 0, u'\u2026', u'\u00F7', "OEM_PERIOD"},
        {u'-', u'_', "Slash", 0, u'\u2013', u'\u2014', "OEM_MINUS"}}},
  };
  return rows;
}

// The German layout's dead keys: the character each waits with, and the
// letters it then makes, as pairs of the next key's character and the
// result. A space, or a key it makes nothing with, gives the accent itself.
struct GermanDeadKey {
  char16_t accent;
  std::u16string_view compositions;
};

inline const std::vector<GermanDeadKey>& GermanDeadKeys() {
  static const std::vector<GermanDeadKey> keys = {
      {u'^', u"a\u00E2e\u00EAi\u00EEo\u00F4u\u00FBA\u00C2E\u00CAI\u00CEO\u00D4U\u00DB"},
      {u'\u00B4', u"a\u00E1e\u00E9i\u00EDo\u00F3u\u00FAy\u00FDA\u00C1E\u00C9I\u00CDO\u00D3U\u00DAY\u00DD"},
      {u'`', u"a\u00E0e\u00E8i\u00ECo\u00F2u\u00F9A\u00C0E\u00C8I\u00CCO\u00D2U\u00D9"},
  };
  return keys;
}

// The dead key that waits with `character`, or null.
inline const GermanDeadKey* GermanDeadKeyOf(char16_t character) {
  for (const GermanDeadKey& key : GermanDeadKeys()) {
    if (key.accent == character) return &key;
  }
  return nullptr;
}

// A key's identity on each system, by its position.
struct KeyPosition {
  const char* code;     // KeyboardEvent.code
  const char* xkbName;  // X11's key name
  int macKeyCode;       // the Mac's virtual key code (ISO keyboard)
  int scanCode;         // the PC's set 1 scan code, as Windows names keys
};

inline const KeyPosition* PositionOf(const char* code) {
  static const KeyPosition positions[] = {
      {"Backquote", "TLDE", 10, 0x29},    {"Digit1", "AE01", 18, 0x02},        {"Digit2", "AE02", 19, 0x03},
      {"Digit3", "AE03", 20, 0x04},       {"Digit4", "AE04", 21, 0x05},        {"Digit5", "AE05", 23, 0x06},
      {"Digit6", "AE06", 22, 0x07},       {"Digit7", "AE07", 26, 0x08},        {"Digit8", "AE08", 28, 0x09},
      {"Digit9", "AE09", 25, 0x0A},       {"Digit0", "AE10", 29, 0x0B},        {"Minus", "AE11", 27, 0x0C},
      {"Equal", "AE12", 24, 0x0D},        {"KeyQ", "AD01", 12, 0x10},          {"KeyW", "AD02", 13, 0x11},
      {"KeyE", "AD03", 14, 0x12},         {"KeyR", "AD04", 15, 0x13},          {"KeyT", "AD05", 17, 0x14},
      {"KeyY", "AD06", 16, 0x15},         {"KeyU", "AD07", 32, 0x16},          {"KeyI", "AD08", 34, 0x17},
      {"KeyO", "AD09", 31, 0x18},         {"KeyP", "AD10", 35, 0x19},          {"BracketLeft", "AD11", 33, 0x1A},
      {"BracketRight", "AD12", 30, 0x1B}, {"KeyA", "AC01", 0, 0x1E},           {"KeyS", "AC02", 1, 0x1F},
      {"KeyD", "AC03", 2, 0x20},          {"KeyF", "AC04", 3, 0x21},           {"KeyG", "AC05", 5, 0x22},
      {"KeyH", "AC06", 4, 0x23},          {"KeyJ", "AC07", 38, 0x24},          {"KeyK", "AC08", 40, 0x25},
      {"KeyL", "AC09", 37, 0x26},         {"Semicolon", "AC10", 41, 0x27},     {"Quote", "AC11", 39, 0x28},
      {"Backslash", "BKSL", 42, 0x2B},    {"IntlBackslash", "LSGT", 50, 0x56}, {"KeyZ", "AB01", 6, 0x2C},
      {"KeyX", "AB02", 7, 0x2D},          {"KeyC", "AB03", 8, 0x2E},           {"KeyV", "AB04", 9, 0x2F},
      {"KeyB", "AB05", 11, 0x30},         {"KeyN", "AB06", 45, 0x31},          {"KeyM", "AB07", 46, 0x32},
      {"Comma", "AB08", 43, 0x33},        {"Period", "AB09", 47, 0x34},        {"Slash", "AB10", 44, 0x35},
  };
  for (const KeyPosition& position : positions) {
    if (std::strcmp(position.code, code) == 0) return &position;
  }
  return nullptr;
}
