#include <gtest/gtest.h>

#include "app/XmlEscape.h"

TEST(XmlEscape, EscapesOnlyWhatTheModeAsksFor) {
  EXPECT_EQ(EscapeXmlText(L"<a & \"b\" 'c'>", false), L"&lt;a &amp; \"b\" 'c'&gt;");
  EXPECT_EQ(EscapeXmlText(L"<a & \"b\" 'c'>", true), L"&lt;a &amp; &quot;b&quot; &apos;c&apos;&gt;");
}

TEST(XmlEscape, DecodesReferencesAndKeepsEverythingElse) {
  struct Case {
    const wchar_t* text;
    std::wstring decoded;
    const char* why;
  };
  const Case kCases[] = {
      {L"&lt;1&gt; &amp; &#65;&#x42; &eacute; &Eacute; &bogus; &", L"<1> & AB \u00e9 \u00c9 &bogus; &",
       "names are case-sensitive; unknown names and a lone ampersand stay"},
      {L"&apos;&quot;&nbsp;&euro;&hearts;&thetasym;", L"'\"\u00a0\u20ac\u2665\u03d1", "table holds apos and HTML names"},
      {L"&#X4a;&#x4A;&#74;", L"JJJ", "hex digits and the x in either case"},
      {L"&#65abc;", L"A", "the number stops where its digits stop"},
      {L"&#0;&#;&#x;", L"&#0;&#;&#x;", "zero or no digit names nothing"},
      {L"&#x1F600;", std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}, "above U+FFFF: a surrogate pair"},
      {L"&#x10FFFF;", std::wstring{wchar_t(0xDBFF), wchar_t(0xDFFF)}, "the last code point"},
      {L"&#x110000;&#1114112;&#xFFFFFFFF;", L"&#x110000;&#1114112;&#xFFFFFFFF;", "beyond Unicode stays text"},
      {L"&#xD800;&#57343;", L"&#xD800;&#57343;", "surrogate code points stay text"},
      {L"&abcdefghij;&amp;", L"&abcdefghij;&", "a body longer than nine characters is no reference"},
      {L"&\u00e9;&;&amp", L"&\u00e9;&;&amp", "non-ASCII body, empty body, missing semicolon"},
      {L"&&amp;", L"&&", "an ampersand before a reference"},
  };
  for (const Case& c : kCases) EXPECT_EQ(UnescapeXmlText(c.text), c.decoded) << c.why;
}

TEST(XmlEscape, EscapedTextDecodesBack) {
  const std::wstring text = L"if (a < b && c > d) say \"it's\" &amp;";
  EXPECT_EQ(UnescapeXmlText(EscapeXmlText(text, true)), text);
  EXPECT_EQ(UnescapeXmlText(EscapeXmlText(text, false)), text);
}
