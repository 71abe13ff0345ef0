// Writes Korvel's keys as system keyboard layouts, from the core's keyboard
// table over the German layout: `korvel` (XKB symbols, Linux),
// `Korvel.keylayout` (the Mac) and `Korvel.klc` (Windows' keyboard layout
// creator) into FOLDER. With --describe it prints the German keyboard it
// starts from, as JSON, for the tests that read the files back.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "layout_keys.h"

namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  out.close();
  if (!out) std::fprintf(stderr, "korvel-layouts: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

std::string JsonCharacter(char16_t c) {
  if (c == 0) return "\"\"";
  if (c == u'"' || c == u'\\') return std::string("\"\\") + static_cast<char>(c) + "\"";
  return "\"" + Utf8(c) + "\"";
}

std::string Description(const std::vector<LayoutKey>& keys) {
  std::string json = "[\n";
  for (const LayoutKey& key : keys) {
    const GermanKey& german = *key.german;
    json += std::string(json.size() > 2 ? ",\n" : "") + "  {\"code\": \"" + german.code + "\", \"xkb\": \"" +
            key.position->xkbName + "\", \"mac\": " + std::to_string(key.position->macKeyCode) +
            ", \"scan\": " + std::to_string(key.position->scanCode) + ", \"plain\": " + JsonCharacter(german.plain) +
            ", \"shifted\": " + JsonCharacter(german.shifted) + ", \"altgr\": " + JsonCharacter(german.altGr) +
            ", \"option\": " + JsonCharacter(german.option) +
            ", \"shift_option\": " + JsonCharacter(german.shiftOption) +
            ", \"plain_dead\": " + (GermanDeadKeyOf(german.plain) ? "true" : "false") +
            ", \"shifted_dead\": " + (GermanDeadKeyOf(german.shifted) ? "true" : "false") + "}";
  }
  return json + "\n]\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: korvel-layouts FOLDER | --describe\n");
    return 2;
  }
  const std::vector<LayoutKey> keys = KorvelLayoutKeys();
  if (std::strcmp(argv[1], "--describe") == 0) {
    std::fputs(Description(keys).c_str(), stdout);
    return 0;
  }
  const std::string folder = argv[1];
  const bool written = WriteFile(folder + "/korvel", XkbSymbols(keys)) &&
                       WriteFile(folder + "/Korvel.keylayout", MacKeylayout(keys)) &&
                       WriteFile(folder + "/Korvel.klc", WindowsKlc(keys));
  return written ? 0 : 1;
}
