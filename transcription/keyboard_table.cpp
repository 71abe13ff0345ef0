#include "keyboard_table.h"

#include <algorithm>
#include <iterator>

TranscriptionTable KeyboardTable;
std::u16string LookupResult;

void AppendPair(TranscriptionTable& table, std::u16string_view key, std::u16string_view output) {
  table.push_back(TranscriptionPair{std::u16string(key), std::u16string(output)});
}

namespace {

struct KeyRow {
  char16_t key;
  char16_t output;
};

// Code units rather than glyphs: several Latin and Cyrillic letters look
// alike. The glyphs are in the comments.
constexpr KeyRow kKeyboardRows[] = {
    {u'A', u'\u0410'},       //  1 A -> А
    {u'B', u'\u0411'},       //  2 B -> Б
    {u'\u00DC', u'\u042D'},  //  3 Ü -> Э
    {u'V', u'\u0412'},       //  4 V -> В
    {u'G', u'\u0413'},       //  5 G -> Г
    {u'D', u'\u0414'},       //  6 D -> Д
    {u'E', u'\u0415'},       //  7 E -> Е
    {u'Z', u'\u0417'},       //  8 Z -> З
    {u'I', u'\u0418'},       //  9 I -> И
    {u'J', u'\u0419'},       // 10 J -> Й
    {u'K', u'\u041A'},       // 11 K -> К
    {u'L', u'\u041B'},       // 12 L -> Л
    {u'M', u'\u041C'},       // 13 M -> М
    {u'N', u'\u041D'},       // 14 N -> Н
    {u'O', u'\u041E'},       // 15 O -> О
    {u'P', u'\u041F'},       // 16 P -> П
    {u'R', u'\u0420'},       // 17 R -> Р
    {u'S', u'\u0421'},       // 18 S -> С
    {u'T', u'\u0422'},       // 19 T -> Т
    {u'U', u'\u0423'},       // 20 U -> У
    {u'F', u'\u0424'},       // 21 F -> Ф
    {u'C', u'\u0426'},       // 22 C -> Ц
    {u'Y', u'\u042B'},       // 23 Y -> Ы
    {u'H', u'\u0425'},       // 24 H -> Х
    {u'h', u'\u0445'},       // 25 h -> х
    {u'a', u'\u0430'},       // 26 a -> а
    {u'b', u'\u0431'},       // 27 b -> б
    {u'\u00FC', u'\u044D'},  // 28 ü -> э
    {u'v', u'\u0432'},       // 29 v -> в
    {u'g', u'\u0433'},       // 30 g -> г
    {u'd', u'\u0434'},       // 31 d -> д
    {u'e', u'\u0435'},       // 32 e -> е
    {u'z', u'\u0437'},       // 33 z -> з
    {u'i', u'\u0438'},       // 34 i -> и
    {u'j', u'\u0439'},       // 35 j -> й
    {u'k', u'\u043A'},       // 36 k -> к
    {u'l', u'\u043B'},       // 37 l -> л
    {u'm', u'\u043C'},       // 38 m -> м
    {u'n', u'\u043D'},       // 39 n -> н
    {u'o', u'\u043E'},       // 40 o -> о
    {u'p', u'\u043F'},       // 41 p -> п
    {u'r', u'\u0440'},       // 42 r -> р
    {u's', u'\u0441'},       // 43 s -> с
    {u't', u'\u0442'},       // 44 t -> т
    {u'u', u'\u0443'},       // 45 u -> у
    {u'f', u'\u0444'},       // 46 f -> ф
    {u'c', u'\u0446'},       // 47 c -> ц
    {u'y', u'\u044B'},       // 48 y -> ы
    {u'\u00DF', u'\u044C'},  // 49 ß -> ь
    {u'\u011A', u'\u044A'},  // 50 Ě -> ъ
    {u'\u011B', u'\u044A'},  // 51 ě -> ъ
    {u'X', u'\u042F'},       // 52 X -> Я
    {u'x', u'\u044F'},       // 53 x -> я
    {u'I', u'I'},            // 54 I -> I (Latin); shadowed by row 9
    {u'i', u'\u0456'},       // 55 i -> і (Ukrainian); shadowed by row 34
    {u'\u00D6', u'\u0428'},  // 56 Ö -> Ш
    {u'\u00F6', u'\u0448'},  // 57 ö -> ш
    {u'\u00C4', u'\u0427'},  // 58 Ä -> Ч
    {u'\u00E4', u'\u0447'},  // 59 ä -> ч
    {u'*', u'\u0429'},       // 60 * -> Щ
    {u'+', u'\u0449'},       // 61 + -> щ
    {u'\'', u'\u0416'},      // 62 ' -> Ж
    {u'#', u'\u0436'},       // 63 # -> ж
    {u'Q', u'\u0401'},       // 64 Q -> Ё
    {u'q', u'\u0451'},       // 65 q -> ё
    {u'W', u'\u042E'},       // 66 W -> Ю
    {u'w', u'\u044E'},       // 67 w -> ю
};
static_assert(std::size(kKeyboardRows) == 67, "the keyboard table has 67 rows");

}  // namespace

void BuildKeyboardTable() {
  for (const KeyRow& row : kKeyboardRows) {
    AppendPair(KeyboardTable, std::u16string_view(&row.key, 1), std::u16string_view(&row.output, 1));
  }
}

void EnsureKeyboardTable() {
  if (KeyboardTable.empty()) BuildKeyboardTable();
}

std::u16string_view FirstRowOutput(const TranscriptionTable& table, char16_t ch) {
  for (const TranscriptionPair& row : table) {
    if (!row.key.empty() && row.key.front() == ch) return row.output;
  }
  return {};
}

void TranscribeKey(char16_t ch) { LookupResult = FirstRowOutput(KeyboardTable, ch); }

void TranscribeTypedCharacter(char16_t ch) {
  TranscribeKey(ch);
  if (LookupResult.empty()) LookupResult.assign(1, ch);
}

char16_t KeyOutput(char16_t ch) {
  for (const KeyRow& row : kKeyboardRows) {
    if (row.key == ch) return row.output;
  }
  return 0;
}

std::u16string TypeText(std::u16string_view text) {
  std::u16string typed(text);
  for (char16_t& unit : typed) {
    if (!IsTranscribedCharacter(unit)) continue;
    if (const char16_t output = KeyOutput(unit)) unit = output;
  }
  return typed;
}

char16_t KeyTypingOutput(char16_t output) {
  char16_t key = 0;
  for (const KeyRow* row = std::begin(kKeyboardRows); row != std::end(kKeyboardRows); ++row) {
    if (row->output != output) continue;
    // A row whose key an earlier row has is never typed.
    const char16_t rowKey = row->key;
    const bool reachable =
        std::none_of(std::begin(kKeyboardRows), row, [rowKey](const KeyRow& earlier) { return earlier.key == rowKey; });
    if (reachable) key = rowKey;
  }
  return key;
}

std::u16string UntypeText(std::u16string_view text) {
  std::u16string keys(text);
  for (char16_t& unit : keys) {
    if (const char16_t key = KeyTypingOutput(unit)) unit = key;
  }
  return keys;
}
