// Korvel.exe's resources, read back with the resource API: the dialog
// template, the icon, the version record and the manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "korvel_executable.h"
#include "resource.h"

namespace {

constexpr WORD kCzech = MAKELANGID(LANG_CZECH, SUBLANG_DEFAULT);           // 1029
constexpr WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);  // 1033

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
  reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
  return TRUE;
}

class ResourcesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryExW(KorvelExecutablePath().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  }
  static void TearDownTestSuite() {
    if (module_) FreeLibrary(module_);
  }
  void SetUp() override { ASSERT_NE(module_, nullptr) << "cannot load Korvel.exe"; }

  static std::vector<BYTE> Resource(LPCWSTR type, LPCWSTR name, WORD language) {
    HRSRC found = FindResourceExW(module_, type, name, language);
    if (!found) return {};
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
    return std::vector<BYTE>(data, data + SizeofResource(module_, found));
  }

  static std::vector<WORD> Languages(LPCWSTR type, LPCWSTR name) {
    std::vector<WORD> languages;
    EnumResourceLanguagesW(module_, type, name, CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
  }

  static HMODULE module_;
};

HMODULE ResourcesTest::module_ = nullptr;

// Reads a dialog template in order: words, double words, strings, ordinals.
class TemplateReader {
 public:
  explicit TemplateReader(const std::vector<BYTE>& data) : data_(data) {}
  WORD Word() { return Read<WORD>(); }
  DWORD DoubleWord() { return Read<DWORD>(); }
  short Short() { return Read<short>(); }
  BYTE Byte() { return Read<BYTE>(); }
  std::wstring String() {
    std::wstring text;
    while (WORD unit = Word()) text += static_cast<wchar_t>(unit);
    return text;
  }
  // A name or an ordinal: 0xFFFF followed by the ordinal, shown as "#n".
  std::wstring NameOrOrdinal() {
    if (Peek() == 0xFFFF) {
      Word();
      return L"#" + std::to_wstring(Word());
    }
    return String();
  }
  void AlignToDoubleWord() { offset_ = (offset_ + 3) & ~std::size_t{3}; }
  void Skip(std::size_t bytes) { offset_ += bytes; }
  bool Overrun() const { return offset_ > data_.size(); }

 private:
  WORD Peek() {
    WORD value = 0;
    if (offset_ + 2 <= data_.size()) std::memcpy(&value, data_.data() + offset_, 2);
    return value;
  }
  template <typename T>
  T Read() {
    T value{};
    if (offset_ + sizeof(T) <= data_.size()) std::memcpy(&value, data_.data() + offset_, sizeof(T));
    offset_ += sizeof(T);
    return value;
  }
  const std::vector<BYTE>& data_;
  std::size_t offset_ = 0;
};

struct ExpectedControl {
  DWORD id;
  const wchar_t* windowClass;
  const wchar_t* text;
  DWORD style;
  short x, y, cx, cy;
};

constexpr DWORD kVisibleChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kHiddenButton = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON;

TEST_F(ResourcesTest, DialogTemplateHoldsTheControlsInOrder) {
  ASSERT_EQ(Languages(RT_DIALOG, MAKEINTRESOURCEW(IDD_MAIN)), std::vector<WORD>{kCzech});
  const std::vector<BYTE> data = Resource(RT_DIALOG, MAKEINTRESOURCEW(IDD_MAIN), kCzech);
  ASSERT_FALSE(data.empty());
  TemplateReader reader(data);
  EXPECT_EQ(reader.Word(), 1);       // extended template version
  EXPECT_EQ(reader.Word(), 0xFFFF);  // extended template signature
  reader.DoubleWord();               // help id
  EXPECT_EQ(reader.DoubleWord(), 0u);
  EXPECT_EQ(reader.DoubleWord(), 0x80CA08C8u);
  const WORD controls = reader.Word();
  EXPECT_EQ(reader.Short(), 0);
  EXPECT_EQ(reader.Short(), 0);
  EXPECT_EQ(reader.Short(), 218);
  EXPECT_EQ(reader.Short(), 168);
  EXPECT_EQ(reader.NameOrOrdinal(), L"");  // no menu
  EXPECT_EQ(reader.NameOrOrdinal(), L"");  // the standard dialog class
  EXPECT_EQ(reader.String(), L"Korvel");
  EXPECT_EQ(reader.Word(), 8);    // point size
  EXPECT_EQ(reader.Word(), 400);  // weight
  EXPECT_EQ(reader.Byte(), 0);    // not italic
  EXPECT_EQ(reader.Byte(), 1);    // character set
  EXPECT_EQ(reader.String(), L"MS Shell Dlg");

  const ExpectedControl expected[] = {
      {2000, L"#128", L"OK", kVisibleChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 93, 146, 55, 14},
      {2, L"#128", L"Cancel", kVisibleChild | WS_TABSTOP | BS_PUSHBUTTON, 156, 146, 55, 14},
      {1002, L"#128", L"Psát rusky", kHiddenButton, 156, 35, 55, 14},
      {2002, L"#128", L"Ru do Cz", kHiddenButton, 156, 7, 55, 14},
      {2001, L"#128", L"Vaše klávesnice", kHiddenButton, 156, 21, 55, 14},
      {1005, L"#128", L"Psát ukrajinsky", kHiddenButton, 156, 49, 55, 14},
      {2003, L"#128", L"Cz do Ru", kHiddenButton, 156, 64, 55, 14},
      {0xFFFFFFFF, L"#130", L"Shell text:", kVisibleChild | WS_GROUP | SS_LEFT, 9, 129, 32, 8},
      {3000, L"#128", L"Top pos", kVisibleChild | WS_TABSTOP | BS_AUTOCHECKBOX, 35, 148, 47, 8},
      {1011, L"#130", L"", kVisibleChild | WS_GROUP | SS_LEFT | SS_NOPREFIX, 51, 134, 94, 8},
      {1001, L"#128", L"Home site", kVisibleChild | WS_TABSTOP | BS_PUSHBUTTON, 156, 129, 55, 14},
  };
  ASSERT_EQ(controls, std::size(expected));
  for (const ExpectedControl& control : expected) {
    SCOPED_TRACE(testing::Message() << "control " << static_cast<int>(control.id));
    reader.AlignToDoubleWord();
    reader.DoubleWord();  // help id
    EXPECT_EQ(reader.DoubleWord(), 0u);
    EXPECT_EQ(reader.DoubleWord(), control.style);
    EXPECT_EQ(reader.Short(), control.x);
    EXPECT_EQ(reader.Short(), control.y);
    EXPECT_EQ(reader.Short(), control.cx);
    EXPECT_EQ(reader.Short(), control.cy);
    EXPECT_EQ(reader.DoubleWord(), control.id);
    EXPECT_EQ(reader.NameOrOrdinal(), control.windowClass);
    EXPECT_EQ(reader.NameOrOrdinal(), control.text);
    reader.Skip(reader.Word());  // creation data
  }
  EXPECT_FALSE(reader.Overrun());
}

TEST_F(ResourcesTest, IconGroupHoldsThreeSizesAtEightBitsPerPixel) {
  ASSERT_EQ(Languages(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_KORVEL)), std::vector<WORD>{kCzech});
  const std::vector<BYTE> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_KORVEL), kCzech);
  ASSERT_GE(group.size(), 6u);
  TemplateReader reader(group);
  EXPECT_EQ(reader.Word(), 0);
  EXPECT_EQ(reader.Word(), 1);  // icons
  const WORD count = reader.Word();
  ASSERT_EQ(count, 3);
  std::vector<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    const BYTE width = reader.Byte();
    const BYTE height = reader.Byte();
    reader.Byte();  // colour count
    reader.Byte();
    EXPECT_EQ(reader.Word(), 1);  // planes
    EXPECT_EQ(reader.Word(), 8);  // bits per pixel
    reader.DoubleWord();          // bytes
    const WORD id = reader.Word();
    EXPECT_EQ(width, height);
    sizes.push_back(width);

    const std::vector<BYTE> image = Resource(RT_ICON, MAKEINTRESOURCEW(id), kCzech);
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, image.data(), sizeof(header));
    EXPECT_EQ(header.biWidth, width);
    EXPECT_EQ(header.biHeight, 2 * height);  // colour and mask
    EXPECT_EQ(header.biBitCount, 8);
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
}

TEST_F(ResourcesTest, VersionRecordNamesKorvel) {
  ASSERT_EQ(Languages(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO)), std::vector<WORD>{kCzech});
  const std::wstring path = KorvelExecutablePath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  WORD* translation = nullptr;
  ASSERT_TRUE(
      VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 1250);

  const std::pair<const wchar_t*, const wchar_t*> strings[] = {
      {L"CompanyName", L""},        {L"FileDescription", L"Korvel transkriptor"},
      {L"FileVersion", L"1,0,0,0"}, {L"InternalName", L"Korvel"},
      {L"LegalTrademarks", L""},    {L"OriginalFilename", L"Korvel.EXE"},
      {L"ProductName", L"Korvel"},  {L"ProductVersion", L"1,0,0,0"},
  };
  for (const auto& [name, value] : strings) {
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&text), &length)) << key;
    EXPECT_EQ(std::wstring(text && length ? text : L""), value) << key;
  }
}

TEST_F(ResourcesTest, ManifestIsAnEmptyAssemblyInEnglish) {
  ASSERT_EQ(Languages(RT_MANIFEST, MAKEINTRESOURCEW(1)), std::vector<WORD>{kEnglishUs});
  const std::vector<BYTE> data = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1), kEnglishUs);
  const std::string manifest(data.begin(), data.end());
  EXPECT_NE(manifest.find("<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"></assembly>"),
            std::string::npos)
      << manifest;
  EXPECT_EQ(manifest.find("dependency"), std::string::npos);
  EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
}

}  // namespace
