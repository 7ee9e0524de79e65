// The install-DLLs screen on a fake page against the service double: the plain search, the detail search,
// the installations it starts and the clicks a page can send that name nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "app/AppSettings.h"
#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "dllfix/DllInstaller.h"
#include "mainwnd/DlgDllFileNag.h"
#include "mainwnd/DlgInstallDlls.h"
#include "platform/base/FileIO.h"
#include "platform/base/Md5.h"
#include "platform/base/Text.h"
#include "platform/system/Module.h"
#include "platform/system/ServiceControl.h"
#include "platform/web/FakePage.h"
#include "platform/web/PageFactory.h"
#include "platform/win/MessageBox.h"
#include "support/ServiceDouble.h"
#include "support/TestPrefix.h"
#include "../dllfix/DllTestPrefix.h"
#include "../ui/UiTestWindows.h"

using mxtest::ServiceDouble;

namespace {

using Calls = std::vector<std::vector<std::wstring>>;

const wchar_t* const kPageFunctions[] = {
    L"setlanguage", L"LoadStrings", L"ClearSearchResults", L"setSearchResults", L"AddToSearchList", L"noresults",
    L"HideDivShowExactSearchResult", L"setSearchResultsEXact", L"addTableVersions", L"SetRecommDesc",
    L"settxtNewSearchRecommendedInstall", L"addTableAlternativeVersions", L"ShowNewSearch",
    // the named-DLL fix's page
    L"setElementText", L"SetBtnText", L"showDiv1", L"ShowdivNotFound", L"setText", L"addTableAlternateVersions"};

// A detail reply for x.dll: a 64-bit version, a 32-bit one of the same order, and an older 32-bit one.
std::string DetailReply(const std::string& base) {
  return "<r><group grouporder='1'><groupdescription>&lt;b&gt;runtime</groupdescription>"
         "<b32><item><filename>x.dll</filename><bits>32</bits><osname>XP</osname><order>2</order><hash>old</hash>"
         "<url>" + base + "/f/old.dll</url></item>"
         "<item><filename>x.dll</filename><bits>32</bits><osname>7</osname><order>1</order><hash>" +
         mx::Md5Hex("MZ-32") + "</hash><url>" + base + "/f/x32.dll</url></item></b32>"
         "<b64><item><filename>x.dll</filename><bits>64</bits><osname>7</osname><order>1</order><hash>" +
         mx::Md5Hex("MZ-64") + "</hash><url>" + base + "/f/x64.dll</url></item></b64></group></r>";
}

class InstallDllsScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlltest::PrepareDllPrefix(prefix);
    ResetIniCache();
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    mx::ResetStartedServices();
    web::SetPageFactory([this](HWND, const std::string&, std::function<void()> complete) {
      page = std::make_shared<web::FakePage>();
      for (const wchar_t* f : kPageFunctions) page->Define(f);
      page->SetLoaded(true);
      loaded = std::move(complete);
      return page;
    });
    ASSERT_TRUE(main.Create(uitest::kEmptyPopup));
    ASSERT_TRUE(screen.Create(main.m_hWnd, RECT{6, 128, 764, 564}));
    loaded();
  }
  void TearDown() override {
    screen.DestroyWindow();
    web::SetPageFactory(nullptr);
    unsetenv("MENDRIX_SERVICE_URL");
    ResetLanguageReader();
  }
  void Select(const std::wstring& id, const std::wstring& table) {
    page->Return(L"returnselectedid", web::ScriptValue::String(id));
    page->Return(L"returnselectedArray", web::ScriptValue::String(table));
  }
  std::string Content(const std::wstring& path) const {
    std::string s;
    mx::ReadWholeFile(prefix.hostPath(path), s);
    return s;
  }

  mxtest::TestPrefix prefix;
  win::ScopedAnswers answers;
  CZUNApp app;
  uitest::TestFrame main;
  CDlgInstallDlls screen;
  std::shared_ptr<web::FakePage> page;
  std::function<void()> loaded;
};

}  // namespace

TEST_F(InstallDllsScreenTest, LoadsItsTextsAndAsksForAName) {
  ASSERT_EQ(page->CallsOf(L"LoadStrings").size(), 1u);
  const auto texts = page->CallsOf(L"LoadStrings")[0];
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_EQ(texts[0], GetLocalizedString(L"IDS_BTN_SEARCH_TARVOLEN"));
  EXPECT_EQ(texts[5], GetLocalizedString(L"IDS_SEARCH_RESULTS"));
  page->Return(L"getval", web::ScriptValue::String(L"   "));
  page->Click(L"idbtnSearchMiddle");
  EXPECT_EQ(answers.answers.texts(), std::vector<std::wstring>{GetLocalizedString(L"IDS_ENTER_DLL_TO_SEARCH")});
  EXPECT_EQ(page->CallsOf(L"ClearSearchResults").size(), 1u);
}

TEST_F(InstallDllsScreenTest, SearchesShowsVersionsAndInstallsTheRecommendedSet) {
  const std::string reply = BytesToHex(InvertBytes(
      "<l><r><FILENAME>x.dll</FILENAME><FILEDESC>&lt;i&gt;X</FILEDESC><FILEURL>u</FILEURL></r>"
      "<r><FILENAME>y.dll</FILENAME><FILEDESC>Y</FILEDESC><FILEURL>u</FILEURL></r></l>"));
  ServiceDouble service(R"({"routes": [{"path": "/", "body": "up"},
    {"path": "/fapi/searchfile.php", "body": ")" + reply + R"("},
    {"path": "/searchfiles/withkey/search.php", "body": ")" + DetailReply("{base}") + R"("},
    {"path": "/f/x32.dll", "body": "MZ-32"}, {"path": "/f/x64.dll", "body": "MZ-64"}]})");
  setenv("MENDRIX_SERVICE_URL", service.url().c_str(), 1);

  page->Return(L"getval", web::ScriptValue::String(L"  x.dll "));
  page->Click(L"idbtnSearchMiddle");
  EXPECT_EQ(page->CallsOf(L"setSearchResults"), (Calls{{L"Search results for x.dll"}}));
  // Service text goes to the page as it came; the page shows it as text.
  EXPECT_EQ(page->CallsOf(L"AddToSearchList"), (Calls{{L"0", L"x.dll", L"<i>X"}, {L"1", L"y.dll", L"Y"}}));

  // Clicks that name no row do nothing.
  for (const wchar_t* id : {L"-1", L"2", L"x"}) {
    Select(id, L"0");
    page->Click(L"clickid");
  }
  EXPECT_TRUE(page->CallsOf(L"HideDivShowExactSearchResult").empty());

  Select(L"0", L"0");
  page->Click(L"clickid");
  ASSERT_EQ(page->CallsOf(L"setSearchResultsEXact").size(), 1u);
  EXPECT_EQ(page->CallsOf(L"setSearchResultsEXact")[0][1], L"x.dll");
  const Calls recommended = page->CallsOf(L"addTableVersions");
  ASSERT_EQ(recommended.size(), 2u);
  EXPECT_EQ(recommended[0][2], L"3");  // the 64-bit version first on a 64-bit prefix
  EXPECT_EQ((std::vector<std::wstring>(recommended[1].begin(), recommended[1].begin() + 3)),
            (std::vector<std::wstring>{L"2", L"0", L"2"}));
  EXPECT_EQ(page->CallsOf(L"SetRecommDesc"), (Calls{{L"<b>runtime"}}));
  EXPECT_EQ(page->CallsOf(L"settxtNewSearchRecommendedInstall"),
            (Calls{{L"We recommend installing these 2 files."}}));
  const Calls alternatives = page->CallsOf(L"addTableAlternativeVersions");
  ASSERT_EQ(alternatives.size(), 3u);
  EXPECT_EQ(alternatives[0][5], L"7, x32");
  EXPECT_EQ(alternatives[2][1], L"3");

  // Copy and alternative clicks outside the tables do nothing.
  for (auto [id, table] : {std::pair{L"5", L"2"}, {L"0", L"4"}, {L"0", L"1"}, {L"-1", L"2"}}) {
    Select(id, table);
    page->Click(L"CopyLinkclick");
    page->Click(L"clickidEX");
  }
  EXPECT_TRUE(answers.answers.texts().empty());

  page->Click(L"idInstallRecomm");
  EXPECT_EQ(Content(L"C:\\windows\\system32\\x.dll"), "MZ-64");
  EXPECT_EQ(Content(L"C:\\windows\\syswow64\\x.dll"), "MZ-32");

  page->Click(L"txtNewSearch");
  EXPECT_EQ(page->CallsOf(L"ShowNewSearch").size(), 1u);
}

TEST_F(InstallDllsScreenTest, AnAlternativeAsksForItsFolder) {
  ServiceDouble service(R"({"routes": [{"path": "/", "body": "up"},
    {"path": "/searchfiles/withkey/search.php", "body": ")" + DetailReply("{base}") + R"("},
    {"path": "/f/old.dll", "body": "MZ-old"}]})");
  setenv("MENDRIX_SERVICE_URL", service.url().c_str(), 1);
  std::wstring proposed;
  SetInstallFolderChooser([&](const std::wstring&, const std::wstring& initial, std::wstring&) {
    proposed = initial;
    return TRUE;
  });
  screen.DetailSearch(L"x.dll", L"X");
  Select(L"1", L"2");  // the older 32-bit version: sorted behind the order-1 one
  page->Click(L"clickidEX");
  SetInstallFolderChooser(nullptr);
  EXPECT_EQ(mx::ToLower(proposed), L"c:\\windows\\syswow64");
  EXPECT_EQ(Content(L"C:\\windows\\syswow64\\x.dll"), "MZ-old");
}

TEST_F(InstallDllsScreenTest, NamedDllFixSearchesInstallsAndShowsItsDonePanel) {
  ServiceDouble service(R"({"routes": [{"path": "/", "body": "up"},
    {"path": "/searchfiles/withkey/search.php", "body": ")" + DetailReply("{base}") + R"("},
    {"path": "/f/x32.dll", "body": "MZ-32"}, {"path": "/f/x64.dll", "body": "MZ-64"}]})");
  setenv("MENDRIX_SERVICE_URL", service.url().c_str(), 1);
  // Without a recorded name nothing is asked and no window opens.
  EXPECT_EQ(RunNamedDllFix(&main), IDCANCEL);
  EXPECT_TRUE(service.requests().empty());

  prefix.import32(LR"([HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"DLLFILENAME"="x.dll"
)");
  CDlgDllFileNag window(&main);
  ASSERT_TRUE(window.Create(IDD_DLL_FILE_NAG, &main));
  loaded();
  std::shared_ptr<web::FakePage> nag = page;
  nag->Define(L"DownloadDone", [&](const std::vector<std::wstring>&) {
    nag->Click(L"clickme");
    return web::ScriptValue();
  });
  const auto texts = nag->CallsOf(L"setElementText");
  EXPECT_NE(std::find(texts.begin(), texts.end(), std::vector<std::wstring>{L"idHeading1", L"x.dll will now be installed"}),
            texts.end());
  EXPECT_TRUE(service.requests().empty());  // the search waits for its timer

  window.SendMessage(WM_TIMER, kNamedDllSearchTimer, 0);
  ASSERT_EQ(nag->CallsOf(L"showDiv1").size(), 1u);
  EXPECT_EQ(nag->CallsOf(L"addTableVersions").size(), 2u);
  EXPECT_EQ(nag->CallsOf(L"addTableAlternateVersions").size(), 3u);
  EXPECT_FALSE(window.m_btnStartScan.IsWindowVisible());

  nag->Click(L"idbtnInstall");
  EXPECT_EQ(nag->CallsOf(L"DownloadDone").size(), 1u);
  EXPECT_EQ(Content(L"C:\\windows\\system32\\x.dll"), "MZ-64");
  EXPECT_EQ(Content(L"C:\\windows\\syswow64\\x.dll"), "MZ-32");
  EXPECT_TRUE(window.m_btnStartScan.IsWindowVisible());
  EXPECT_TRUE(window.m_lnkFeedback.IsWindowVisible());
  window.DestroyWindow();
}
