#include "platform/base/Text.h"

#include <gtest/gtest.h>

using namespace mx;

TEST(Text, Utf8RoundTripKeepsSurrogatePairsAsTwoUnits) {
  std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8C\x8E";  // a, e-acute, euro, globe (outside the BMP)
  std::wstring w = Utf8ToWide(utf8);
  ASSERT_EQ(w.size(), 5u);
  EXPECT_EQ(w[3], static_cast<wchar_t>(0xD83C));
  EXPECT_EQ(w[4], static_cast<wchar_t>(0xDF0E));
  EXPECT_EQ(WideToUtf8(w), utf8);
}

TEST(Text, BrokenInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToWide("\xFF" "a\xE2\x82"), std::wstring({0xFFFD, L'a', 0xFFFD, 0xFFFD}));
  EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16LeToWide(std::string("A\0B\0C", 5)), L"AB");
}

TEST(Text, CaseMappingIgnoresTheProcessLocale) {
  struct Case { std::wstring a, b; int order; };
  const Case cases[] = {
      {L"Software", L"SOFTWARE", 0},
      {L"_iso-2022-jp$SIO", L"ANSI_X3.4-1968", -1},  // Wine sorts on lower-cased names: '_' < 'a'
      {L"\u00C9T\u00C9", L"\u00E9t\u00E9", 0},
      {L"\u0416", L"\u0436", 0},  // Cyrillic
      {L"abc", L"abcd", -1},
  };
  for (const auto& c : cases) {
    int r = CompareNoCase(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.order) << WideToUtf8(c.a) << " vs " << WideToUtf8(c.b);
  }
  EXPECT_EQ(ToUpper(L"c:\\programme\\\u00fc"), L"C:\\PROGRAMME\\\u00dc");
  EXPECT_EQ(FindNoCase(L"HKLM\\Software\\Classes", L"CLASSES"), 14u);
  EXPECT_EQ(Trim(L" \t x y \r\n"), L"x y");
}
