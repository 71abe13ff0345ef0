// The Mac layout: Apple's keyboard layout XML for an ISO German keyboard.
// No modifier, Shift and Caps Lock type the table's output for each key's
// German character; Option and Shift+Option keep the German characters, and
// with Command or Control the keys are the German ones, so shortcuts stay.
#include <set>

#include "layout_keys.h"

namespace {

std::string Escaped(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) {
    if (c < 0x20 || c == 0x7F || c == u'&' || c == u'<' || c == u'>' || c == u'"' || c == u'\'') {
      out += "&#x" + Hex4(c) + ";";
    } else {
      out += Utf8(c);
    }
  }
  return out;
}

// The keys that type no character of the German rows, the same in every map.
struct FixedKey {
  int code;
  char16_t output;
};
constexpr FixedKey FixedKeys[] = {
    {36, u'\r'}, {48, u'\t'}, {49, u' '},  {51, 0x08},  {53, 0x1B},  {76, 0x03},  {115, 0x01}, {116, 0x0B},
    {117, 0x7F}, {119, 0x04}, {121, 0x0C}, {123, 0x1C}, {124, 0x1D}, {125, 0x1F}, {126, 0x1E}, {65, u','},
    {67, u'*'},  {69, u'+'},  {71, 0x1B},  {75, u'/'},  {78, u'-'},  {81, u'='},  {82, u'0'},  {83, u'1'},
    {84, u'2'},  {85, u'3'},  {86, u'4'},  {87, u'5'},  {88, u'6'},  {89, u'7'},  {91, u'8'},  {92, u'9'},
};

enum Map { kPlain, kShift, kCaps, kOption, kShiftOption, kCommand, kMapCount };

const char* const MapModifiers[kMapCount] = {
    "", "anyShift caps?", "caps", "anyOption caps?", "anyShift anyOption caps?", "command anyShift? anyOption? caps?",
};

char16_t Output(const LayoutKey& key, Map map) {
  switch (map) {
    case kPlain:
      return key.plain;
    case kShift:
      return key.shifted;
    case kCaps:
      return key.capsLockShifts ? key.shifted : key.plain;
    case kOption:
      return key.german->option;
    case kShiftOption:
      return key.german->shiftOption;
    default:
      return key.german->plain;
  }
}

std::string StateOf(const GermanDeadKey& dead) { return "accent-" + Hex4(dead.accent); }

// A character that some dead key turns into another: it is typed through an
// action that knows each dead key's state.
bool ComposesWithADeadKey(char16_t output) {
  for (const GermanDeadKey& dead : GermanDeadKeys()) {
    for (std::size_t i = 0; i < dead.compositions.size(); i += 2) {
      if (TypedInKorvel(dead.compositions[i]) == output) return true;
    }
  }
  return output == u' ';
}

std::string KeyElement(int code, char16_t output, bool typesDead) {
  const std::string attributes = "        <key code=\"" + std::to_string(code) + "\" ";
  if (output == 0) return attributes + "output=\"\"/>\n";
  if (typesDead && GermanDeadKeyOf(output))
    return attributes + "action=\"" + StateOf(*GermanDeadKeyOf(output)) + "\"/>\n";
  if (typesDead && ComposesWithADeadKey(output)) return attributes + "action=\"" + Hex4(output) + "\"/>\n";
  return attributes + "output=\"" + Escaped(std::u16string(1, output)) + "\"/>\n";
}

std::string Actions(const std::vector<LayoutKey>& keys) {
  std::string actions = "    <actions>\n";
  for (const GermanDeadKey& dead : GermanDeadKeys()) {
    actions += "        <action id=\"" + StateOf(dead) + "\">\n            <when state=\"none\" next=\"" +
               StateOf(dead) + "\"/>\n        </action>\n";
  }
  std::set<char16_t> composing;
  for (const LayoutKey& key : keys) {
    for (const Map map : {kPlain, kShift, kCaps}) {
      if (Output(key, map) && ComposesWithADeadKey(Output(key, map))) composing.insert(Output(key, map));
    }
  }
  composing.insert(u' ');
  for (const char16_t output : composing) {
    actions += "        <action id=\"" + Hex4(output) + "\">\n            <when state=\"none\" output=\"" +
               Escaped(std::u16string(1, output)) + "\"/>\n";
    for (const GermanDeadKey& dead : GermanDeadKeys()) {
      char16_t composed = output == u' ' ? dead.accent : 0;
      for (std::size_t i = 0; i < dead.compositions.size(); i += 2) {
        if (TypedInKorvel(dead.compositions[i]) == output) composed = dead.compositions[i + 1];
      }
      if (composed) {
        actions += "            <when state=\"" + StateOf(dead) + "\" output=\"" +
                   Escaped(std::u16string(1, composed)) + "\"/>\n";
      }
    }
    actions += "        </action>\n";
  }
  return actions + "    </actions>\n";
}

}  // namespace

std::string MacKeylayout(const std::vector<LayoutKey>& keys) {
  std::string file =
      "<?xml version=\"1.1\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE keyboard SYSTEM \"file://localhost/System/Library/DTDs/KeyboardLayout.dtd\">\n"
      "<!-- Korvel: Russian in Cyrillic on a German keyboard (ISO). Copy it into\n"
      "     ~/Library/Keyboard Layouts, log out and in again, and add it under\n"
      "     System Settings, Keyboard, Input Sources (it is listed under Others). -->\n"
      "<keyboard group=\"126\" id=\"-7342\" name=\"" +
      std::string(LayoutName) +
      "\" maxout=\"1\">\n"
      "    <layouts>\n"
      "        <layout first=\"0\" last=\"17\" modifiers=\"modifiers\" mapSet=\"keys\"/>\n"
      "    </layouts>\n"
      "    <modifierMap id=\"modifiers\" defaultIndex=\"0\">\n";
  for (int map = 0; map < kMapCount; ++map) {
    file += "        <keyMapSelect mapIndex=\"" + std::to_string(map) + "\">\n            <modifier keys=\"" +
            MapModifiers[map] + "\"/>\n";
    if (map == kCommand) file += "            <modifier keys=\"control anyShift? anyOption? caps? command?\"/>\n";
    file += "        </keyMapSelect>\n";
  }
  file += "    </modifierMap>\n    <keyMapSet id=\"keys\">\n";
  for (int map = 0; map < kMapCount; ++map) {
    file += "        <keyMap index=\"" + std::to_string(map) + "\">\n";
    const bool typesDead = map == kPlain || map == kShift || map == kCaps;
    for (const LayoutKey& key : keys) {
      file += "    " + KeyElement(key.position->macKeyCode, Output(key, static_cast<Map>(map)), typesDead);
    }
    for (const FixedKey& fixed : FixedKeys) file += "    " + KeyElement(fixed.code, fixed.output, typesDead);
    file += "        </keyMap>\n";
  }
  file += "    </keyMapSet>\n" + Actions(keys) + "    <terminators>\n";
  for (const GermanDeadKey& dead : GermanDeadKeys()) {
    file +=
        "        <when state=\"" + StateOf(dead) + "\" output=\"" + Escaped(std::u16string(1, dead.accent)) + "\"/>\n";
  }
  return file + "    </terminators>\n</keyboard>\n";
}
