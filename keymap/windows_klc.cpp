// The Windows layout: the source format of Microsoft's keyboard layout
// creator, with the German layout's scan codes and virtual keys. No modifier
// and Shift type the table's output for each key's German character; AltGr
// and the dead keys are the German layout's own.
#include <string_view>

#include "layout_keys.h"

namespace {

// A character as the format writes it: letters and digits as themselves,
// anything else as four hex digits; "@" marks a dead key, -1 nothing.
std::string Cell(char16_t c, bool deadHere) {
  if (c == 0) return "-1";
  if (deadHere && GermanDeadKeyOf(c)) return Hex4(c) + "@";
  if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) return std::string(1, char(c));
  return Hex4(c);
}

std::string VirtualKey(const GermanKey& key) {
  if (key.windowsKey) return key.windowsKey;
  const char16_t named = key.plain >= u'a' && key.plain <= u'z' ? key.plain - 0x20 : key.plain;
  return std::string(1, static_cast<char>(named));
}

// Names for the keys that type nothing, as GetKeyNameText gives them.
constexpr const char* KeyNames =
    "01\tEsc\n0e\tBackspace\n0f\tTab\n1c\tEnter\n1d\tCtrl\n2a\tShift\n36\t\"Right Shift\"\n37\t\"Num *\"\n"
    "38\tAlt\n39\tSpace\n3a\t\"Caps Lock\"\n3b\tF1\n3c\tF2\n3d\tF3\n3e\tF4\n3f\tF5\n40\tF6\n41\tF7\n42\tF8\n"
    "43\tF9\n44\tF10\n45\tPause\n46\t\"Scroll Lock\"\n47\t\"Num 7\"\n48\t\"Num 8\"\n49\t\"Num 9\"\n4a\t\"Num -\"\n"
    "4b\t\"Num 4\"\n4c\t\"Num 5\"\n4d\t\"Num 6\"\n4e\t\"Num +\"\n4f\t\"Num 1\"\n50\t\"Num 2\"\n51\t\"Num 3\"\n"
    "52\t\"Num 0\"\n53\t\"Num Del\"\n54\t\"Sys Req\"\n57\tF11\n58\tF12\n";
constexpr const char* ExtendedKeyNames =
    "1c\t\"Num Enter\"\n1d\t\"Right Ctrl\"\n35\t\"Num /\"\n37\t\"Prnt Scrn\"\n38\t\"Right Alt\"\n45\t\"Num Lock\"\n"
    "46\tBreak\n47\tHome\n48\tUp\n49\t\"Page Up\"\n4b\tLeft\n4d\tRight\n4f\tEnd\n50\tDown\n51\t\"Page Down\"\n"
    "52\tInsert\n53\tDelete\n54\t<00>\n56\tHelp\n5b\t\"Left Windows\"\n5c\t\"Right Windows\"\n5d\tApplication\n";

// The text in UTF-16, as the format is read: ASCII pieces and characters.
class Utf16Text {
 public:
  Utf16Text& operator<<(std::string_view ascii) {
    for (const char c : ascii) {
      if (c == '\n') units_ += u'\r';
      units_ += static_cast<char16_t>(c);
    }
    return *this;
  }
  Utf16Text& operator<<(char16_t c) {
    units_ += c;
    return *this;
  }
  // Little-endian with a byte-order mark, as the layout creator writes it.
  std::string Bytes() const {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : units_) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
  }

 private:
  std::u16string units_;
};

Utf16Text& Shown(Utf16Text& text, char16_t c) { return c ? text << c : text << "<none>"; }

}  // namespace

std::string WindowsKlc(const std::vector<LayoutKey>& keys) {
  Utf16Text file;
  file << "KBD\tKorvelDE\t\"" << LayoutName
       << "\"\n\nCOPYRIGHT\t\"Korvel\"\n\nCOMPANY\t\"Korvel\"\n\nLOCALENAME\t\"ru-RU\"\n\n"
          "LOCALEID\t\"00000419\"\n\nVERSION\t1.0\n\n"
          "SHIFTSTATE\n\n0\t//Column 4\n1\t//Column 5 : Shft\n2\t//Column 6 :       Ctrl\n"
          "6\t//Column 7 :       Ctrl Alt\n7\t//Column 8 : Shft  Ctrl Alt\n\n"
          "LAYOUT\t\t;an extra '@' at the end is a dead key\n\n"
          "//SC\tVK_\t\tCap\t0\t1\t2\t6\t7\n"
          "//--\t----\t\t----\t----\t----\t----\t----\t----\n\n";
  for (const LayoutKey& key : keys) {
    const GermanKey& german = *key.german;
    file << Hex4(static_cast<char16_t>(key.position->scanCode)).substr(2) << "\t" << VirtualKey(german) << "\t\t"
         << (key.capsLockShifts ? "1" : "0") << "\t" << Cell(key.plain, true) << "\t" << Cell(key.shifted, true)
         << "\t-1\t" << Cell(german.altGr, false) << "\t-1\t\t// ";
    Shown(file, key.plain) << ", ";
    Shown(file, key.shifted) << ", <none>, ";
    Shown(file, german.altGr) << ", <none>\n";
  }
  file << "39\tSPACE\t\t0\t0020\t0020\t0020\t-1\t-1\t\t// SPACE\n"
          "53\tDECIMAL\t\t0\t002c\t002c\t-1\t-1\t-1\t\t// COMMA\n\n";

  // A dead key's letters come from the keys that type their German base
  // letters, which now type what Korvel gives for them.
  for (const GermanDeadKey& dead : GermanDeadKeys()) {
    file << "DEADKEY\t" << Hex4(dead.accent) << "\n\n";
    for (std::size_t i = 0; i < dead.compositions.size(); i += 2) {
      const char16_t base = TypedInKorvel(dead.compositions[i]);
      file << Hex4(base) << "\t" << Hex4(dead.compositions[i + 1]) << "\t// " << base << " -> "
           << dead.compositions[i + 1] << "\n";
    }
    file << "0020\t" << Hex4(dead.accent) << "\t// space -> " << dead.accent << "\n\n";
  }
  file << "KEYNAME\n\n" << KeyNames << "\nKEYNAME_EXT\n\n" << ExtendedKeyNames << "\nKEYNAME_DEAD\n\n";
  for (const GermanDeadKey& dead : GermanDeadKeys()) file << Hex4(dead.accent) << "\t\"" << dead.accent << "\"\n";
  file << "\nDESCRIPTIONS\n\n0409\t" << LayoutName << "\n\nLANGUAGENAMES\n\n0409\tRussian (Russia)\n\nENDKBD\n";
  return file.Bytes();
}
