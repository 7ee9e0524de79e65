#include <gtest/gtest.h>

#include "platform/web/HtmlText.h"
#include "platform/web/ResourcePages.h"

namespace {

TEST(HtmlText, RegistryTextNeverBecomesMarkup) {
  struct Case {
    const wchar_t* data;
    const wchar_t* html;
  };
  const Case cases[] = {
      {L"HKLM\\Software\\Plain", L"HKLM\\Software\\Plain"},
      {L"<img src=x onerror=alert(1)>", L"&lt;img src=x onerror=alert(1)&gt;"},
      {L"a & \"b\" 'c'", L"a &amp; &quot;b&quot; &#39;c&#39;"},
      {L"&amp;", L"&amp;amp;"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(web::HtmlText(c.data), c.html) << c.data;
  EXPECT_EQ(web::HtmlLines(L"Key <1>\r\nValue\n"), L"Key &lt;1&gt;<br>Value<br>");
}

TEST(ResourcePages, OnlyPlainNamesAreServed) {
  web::RegisterResourcePage("page.htm", "<p>hi</p>");
  auto page = web::LoadResource("/page.htm");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->data, "<p>hi</p>");
  EXPECT_EQ(page->mimeType, "text/html");
  EXPECT_EQ(web::LoadResource("style.CSS").value_or(web::Resource{}).mimeType, "");  // not there at all
  for (const char* bad : {"", "/", "../page.htm", "/..", ".hidden", "a/b.htm", "a\\b.htm", "page.htm?x", "%2e%2e"})
    EXPECT_FALSE(web::LoadResource(bad)) << bad;
  web::UnregisterResourcePage("page.htm");
  EXPECT_FALSE(web::LoadResource("page.htm"));
}

}  // namespace
