// The page-script bridge's contract on the fake page (the same cases run on the browser in webkit_tests).
#include <gtest/gtest.h>

#include "platform/web/FakePage.h"
#include "ui/WebPage.h"

namespace {

TEST(WebPage, CallBeforeThePageLoadedFailsWithoutScript) {
  CWebPage unbound;
  EXPECT_FALSE(unbound.CallJScriptNoArgs(L"setlanguage"));
  EXPECT_EQ(unbound.GetLastError(), L"JSCall Error:\nCannot GetScript");

  auto page = std::make_shared<web::FakePage>();
  page->Define(L"setlanguage");
  CWebPage loading;
  loading.SetDocument(page);
  EXPECT_FALSE(loading.CallJScriptOneArg(L"setlanguage", L"en"));
  EXPECT_EQ(loading.GetLastError(), L"JSCall Error:\nCannot GetScript");
  EXPECT_TRUE(page->calls().empty());
}

TEST(WebPage, FailuresCarryTheSystemTextAndNothingElseChanges) {
  auto page = std::make_shared<web::FakePage>();
  page->SetLoaded(true);
  page->Throw(L"thrower", L"boom");
  CWebPage bridge;
  bridge.SetDocument(page);
  web::ScriptValue result = web::ScriptValue::String(L"untouched");

  EXPECT_FALSE(bridge.CallJScriptNoArgs(L"nosuchfn", &result));
  EXPECT_EQ(bridge.GetLastError(), L"JSCall Error:\nUnknown name.\r\n");
  EXPECT_FALSE(bridge.CallJScriptNoArgs(L"thrower", &result));
  EXPECT_EQ(bridge.GetLastError(), L"JSCall Error:\nException occurred.\r\n");
  EXPECT_EQ(result.text, L"untouched") << "a failed call leaves the caller's result alone";
  EXPECT_EQ(CWebPage::GetSystemErrorMessage(static_cast<HRESULT>(0x80041234u)), L"FormatMessage Native Error");
}

TEST(WebPage, ArgumentsArriveInOrderAndEmptyStringsStay) {
  auto page = std::make_shared<web::FakePage>();
  page->SetLoaded(true);
  page->Define(L"join", [](const std::vector<std::wstring>& a) { return web::ScriptValue::String(a[0] + L"|" + a[1]); });
  page->Define(L"count", [](const std::vector<std::wstring>& a) { return web::ScriptValue::Number(double(a.size())); });
  CWebPage bridge;
  bridge.SetDocument(page);
  web::ScriptValue v;
  ASSERT_TRUE(bridge.CallJScriptTwoArgs(L"join", L"first", L"second", &v));
  EXPECT_EQ(v.text, L"first|second");
  ASSERT_TRUE(bridge.CallJScriptTwoArgs(L"join", L"", L"", &v));
  EXPECT_EQ(v.text, L"|");
  ASSERT_TRUE(bridge.CallJScript(L"count", {L"a", L"", L"c"}, &v));
  EXPECT_EQ(v, web::ScriptValue::Number(3));
  ASSERT_TRUE(bridge.CallJScriptNoArgs(L"count"));  // no result object wanted
  EXPECT_EQ(page->CallsOf(L"count"), (std::vector<std::vector<std::wstring>>{{L"a", L"", L"c"}, {}}));
}

TEST(WebPage, DocumentBindingKeepsOrReplacesThePage) {
  auto first = std::make_shared<web::FakePage>();
  auto second = std::make_shared<web::FakePage>();
  for (auto* p : {first.get(), second.get()}) {
    p->SetLoaded(true);
    p->Define(L"f");
  }
  CWebPage bridge;
  bridge.SetDocument(first);
  bridge.SetDocument(nullptr);
  EXPECT_EQ(bridge.GetLastError(), L"JSCall Error:\nNULL pointer");
  EXPECT_EQ(bridge.GetDocument(), first) << "a null document keeps the one held";
  bridge.SetDocument(second);  // a reloaded page rebinds
  ASSERT_TRUE(bridge.CallJScriptNoArgs(L"f"));
  EXPECT_TRUE(first->calls().empty());
  EXPECT_EQ(second->calls().size(), 1u);
  EXPECT_EQ(first.use_count(), 1) << "the old document is released";
}

}  // namespace
