#include "text_converters.h"

#include <array>
#include <cstdint>

namespace {

// Code units rather than glyphs: several Latin and Cyrillic letters look
// alike. Each line is one run of positions; the comment gives its glyphs.
constexpr std::u16string_view kCyrillicToLatinSearch =
    u"\u0410\u0411\u0412\u0413\u0414\u0415\u0417\u0418\u0419\u041A\u041B\u041C"  //   0- 11 АБВГДЕЗИЙКЛМ
    u"\u041D\u041E\u041F\u0420\u0421\u0422\u0423\u0424\u0426\u042B"              //  12- 21 НОПРСТУФЦЫ
    u"\u0425\u0425\u0445\u0445"                                                  //  22- 25 ХХхх
    u"\u0430\u0431\u0432\u0433\u0434\u0435\u0437\u0438\u0439\u043A\u043B\u043C"  //  26- 37 абвгдезийклм
    u"\u043D\u043E\u043F\u0440\u0441\u0442\u0443\u0444\u0446\u044B"              //  38- 47 нопрстуфцы
    u"\u044C\u044A"                                                              //  48- 49 ьъ
    u"\u042F\u042F\u044F\u044F"                                                  //  50- 53 ЯЯяя
    u"I\u0456"                                                                   //  54- 55 Iі
    u"\u0428\u0448\u0427\u0447"                                                  //  56- 59 ШшЧч
    u"\u0429\u0429\u0449\u0449"                                                  //  60- 63 ЩЩщщ
    u"\u0416\u0436"                                                              //  64- 65 Жж
    u"\u0401\u0401\u0451\u0451\u042E\u042E\u044E\u044E"                          //  66- 73 ЁЁёёЮЮюю
    u"  ";                                                                       //  74- 75 two spaces
constexpr std::u16string_view kCyrillicToLatinOutput =
    u"ABVGDEZIJKLM"              //   0- 11 ABVGDEZIJKLM
    u"NOPRSTUFCY"                //  12- 21 NOPRSTUFCY
    u"Chch"                      //  22- 25 Chch
    u"abvgdezijklm"              //  26- 37 abvgdezijklm
    u"noprstufcy"                //  38- 47 noprstufcy
    u"\u02C7'"                   //  48- 49 ˇ'
    u"Jaja"                      //  50- 53 Jaja
    u"Ii"                        //  54- 55 Ii
    u"\u0160\u0161\u010C\u010D"  //  56- 59 ŠšČč
    u"\u0160\u010D\u0161\u010D"  //  60- 63 Ščšč
    u"\u017D\u017E"              //  64- 65 Žž
    u"JejeJuju"                  //  66- 73 JejeJuju
    u"  ";                       //  74- 75 two spaces
constexpr std::u16string_view kLatinToCyrillicSearch =
    u"\u00C1\u00E1\u00C9\u00E9\u00CD\u00ED\u00DD\u00FD\u00D3\u00F3\u00DA\u00FA"  //   0- 11 ÁáÉéÍíÝýÓóÚú
    u"\u016E\u016F\u0158\u0159"                                                  //  12- 15 ŮůŘř
    u"\u011A\u011A\u011B\u011B\u010F\u010F"                                      //  16- 21 ĚĚěěďď
    u"\u0147\u0148"                                                              //  22- 23 Ňň
    u"ABVHGDEZIJKL"                                                              //  24- 35 ABVHGDEZIJKL
    u"MNOPRSTUFCY"                                                               //  36- 46 MNOPRSTUFCY
    u"abvhgdezijkl"                                                              //  47- 58 abvhgdezijkl
    u"mnoprstufcy"                                                               //  59- 69 mnoprstufcy
    u"\u02C7'"                                                                   //  70- 71 ˇ'
    u"J\u00E1j\u00E1Ii"                                                          //  72- 77 JájáIi
    u"\u0160\u0161\u010C\u010D"                                                  //  78- 81 ŠšČč
    u"\u0160\u010D\u0161\u010D"                                                  //  82- 85 Ščšč
    u"\u017D\u017E"                                                              //  86- 87 Žž
    u"JejeJuju"                                                                  //  88- 95 JejeJuju
    u"Chch"                                                                      //  96- 99 Chch
    u"  ";                                                                       // 100-101 two spaces
constexpr std::u16string_view kLatinToCyrillicOutput =
    u"\u0410\u0430\u0415\u0435\u0418\u0438\u042B\u044B\u041E\u043E\u0423\u0443"  //   0- 11 АаЕеИиЫыОоУу
    u"\u0423\u0443\u0420\u0440"                                                  //  12- 15 УуРр
    u"\u0415\u0415\u044C\u0435\u0434\u044C"                                      //  16- 21 ЕЕьедь
    u"\u041D\u043D"                                                              //  22- 23 Нн
    u"\u0410\u0411\u0412\u0413\u0413\u0414\u0415\u0417\u0418\u0419\u041A\u041B"  //  24- 35 АБВГГДЕЗИЙКЛ
    u"\u041C\u041D\u041E\u041F\u0420\u0421\u0422\u0423\u0424\u0426\u042B"        //  36- 46 МНОПРСТУФЦЫ
    u"\u0430\u0431\u0432\u0433\u0433\u0434\u0435\u0437\u0438\u0439\u043A\u043B"  //  47- 58 абвггдезийкл
    u"\u043C\u043D\u043E\u043F\u0440\u0441\u0442\u0443\u0444\u0446\u044B"        //  59- 69 мнопрстуфцы
    u"\u044C\u044A"                                                              //  70- 71 ьъ
    u"\u042F\u042F\u044F\u044FI\u0456"                                           //  72- 77 ЯЯяяIі
    u"\u0428\u0448\u0427\u0447"                                                  //  78- 81 ШшЧч
    u"\u0429\u0429\u0449\u0449"                                                  //  82- 85 ЩЩщщ
    u"\u0416\u0436"                                                              //  86- 87 Жж
    u"\u0401\u0401\u0451\u0451\u042E\u042E\u044E\u044E"                          //  88- 95 ЁЁёёЮЮюю
    u"\u0425\u0425\u0445\u0445"                                                  //  96- 99 ХХхх
    u"  ";                                                                       // 100-101 two spaces

static_assert(kCyrillicToLatinSearch.size() == 76 && kCyrillicToLatinOutput.size() == 76);
static_assert(kLatinToCyrillicSearch.size() == 102 && kLatinToCyrillicOutput.size() == 102);

// Every search unit lies below U+0500; a unit at or above it has no position.
constexpr char16_t kIndexedUnits = 0x0500;
constexpr std::uint8_t kNoPosition = 0xFF;

// For each unit below kIndexedUnits, the lowest position at which the search
// alphabet holds it: the result of a scan from position 0, computed once at
// compile time, so each converted unit costs one load instead of a scan.
using FirstPositions = std::array<std::uint8_t, kIndexedUnits>;

constexpr FirstPositions IndexFirstPositions(std::u16string_view search) {
  FirstPositions first{};
  for (std::uint8_t& position : first) position = kNoPosition;
  for (std::size_t k = search.size(); k-- > 0;) {
    if (search[k] >= kIndexedUnits || k >= kNoPosition) throw "search alphabet outside the index";
    first[search[k]] = static_cast<std::uint8_t>(k);
  }
  return first;
}

constexpr FirstPositions kCyrillicToLatinFirst = IndexFirstPositions(kCyrillicToLatinSearch);
constexpr FirstPositions kLatinToCyrillicFirst = IndexFirstPositions(kLatinToCyrillicSearch);

void AppendLookup(std::u16string_view search, std::u16string_view output, const FirstPositions& first, char16_t unit,
                  std::u16string& result) {
  const std::size_t k = unit < kIndexedUnits ? first[unit] : kNoPosition;
  if (k == kNoPosition) {
    result.push_back(unit);
    return;
  }
  result.push_back(output[k]);
  if (k + 1 < search.size() && search[k + 1] == unit) {
    result.push_back(output[k + 1]);  // a doubled entry: one unit becomes two
  }
}

const Digraph* DigraphAt(std::u16string_view text, std::size_t i) {
  if (i + 1 >= text.size()) return nullptr;
  for (const Digraph& digraph : LatinToCyrillicDigraphs) {
    if (text[i] == digraph.first && text[i + 1] == digraph.second) return &digraph;
  }
  return nullptr;
}

std::u16string_view UpToFirstZero(const char16_t* text) {
  return text ? std::u16string_view(text) : std::u16string_view();
}

}  // namespace

const ParallelAlphabets CyrillicToLatinAlphabets{kCyrillicToLatinSearch, kCyrillicToLatinOutput};
const ParallelAlphabets LatinToCyrillicAlphabets{kLatinToCyrillicSearch, kLatinToCyrillicOutput};

std::u16string CyrillicToLatin(std::u16string_view text) {
  std::u16string output;
  output.reserve(text.size() + text.size() / 4);
  for (const char16_t unit : text) {
    AppendLookup(kCyrillicToLatinSearch, kCyrillicToLatinOutput, kCyrillicToLatinFirst, unit, output);
  }
  return output;
}

std::u16string LatinToCyrillic(std::u16string_view text) {
  std::u16string output;
  output.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (const Digraph* digraph = DigraphAt(text, i)) {
      output.push_back(digraph->output);
      i += 2;
    } else {
      AppendLookup(kLatinToCyrillicSearch, kLatinToCyrillicOutput, kLatinToCyrillicFirst, text[i], output);
      i += 1;
    }
  }
  return output;
}

std::u16string CyrillicToLatin(const char16_t* text) { return CyrillicToLatin(UpToFirstZero(text)); }

std::u16string LatinToCyrillic(const char16_t* text) { return LatinToCyrillic(UpToFirstZero(text)); }
