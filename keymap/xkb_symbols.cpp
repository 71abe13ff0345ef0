// The Linux layout: an XKB symbols file over the German layout. Levels 1 and
// 2 of every key whose character has a row become the row's output; the
// rest, AltGr included, is the German layout's own.
#include <cctype>

#include "layout_keys.h"

namespace {

std::string Keysym(char16_t unit) {
  std::string hex = Hex4(unit);
  for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return "U" + hex;
}

}  // namespace

std::string XkbSymbols(const std::vector<LayoutKey>& keys) {
  std::string file =
      "// Korvel: Russian in Cyrillic on a German keyboard. Every key whose German\n"
      "// character Korvel transcribes types the Cyrillic letter; everything else,\n"
      "// AltGr and the dead keys included, stays as on the German layout.\n"
      "//\n"
      "// For this user, without root:  setxkbmap -I DIR -layout korvel -print | xkbcomp -I DIR - $DISPLAY\n"
      "// (DIR holds symbols/korvel); for everyone: copy it to /usr/share/X11/xkb/symbols/korvel.\n"
      "\n"
      "default partial alphanumeric_keys\n"
      "xkb_symbols \"basic\" {\n"
      "    include \"de(basic)\"\n"
      "    name[Group1] = \"" +
      std::string(LayoutName) + "\";\n\n";
  for (const LayoutKey& key : keys) {
    if (key.plain == key.german->plain && key.shifted == key.german->shifted) continue;
    file += "    key <" + std::string(key.position->xkbName) + "> { [ " + Keysym(key.plain) + ", " +
            Keysym(key.shifted) + " ] };  // " + Utf8(key.german->plain) + " " + Utf8(key.german->shifted) + "\n";
  }
  file += "};\n";
  return file;
}
