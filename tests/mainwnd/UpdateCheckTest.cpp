#include <cstdlib>
#include <tuple>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/LocalizedStrings.h"
#include "app/ProgramVersion.h"
#include "app/AppTestPrefix.h"
#include "mainwnd/UpdateCheck.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/shell/VersionInfo.h"
#include "platform/system/LaunchRecord.h"
#include "platform/system/Module.h"
#include "platform/system/Time.h"
#include "platform/win/MessageBox.h"
#include "support/ServiceDouble.h"

namespace fs = std::filesystem;
using mxtest::ServiceDouble;

namespace {

std::string Description(const std::string& version, const std::string& url, const std::string& browser = "0") {
  return "[Application]\\r\\nPROGRAM_VERSION=" + version + "\\r\\nPROGRAM_URL=" + url + "\\r\\nOPEN_BROWSER=" +
         browser + "\\r\\n";
}

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    EnsureProgramVersionResource();
    SetOwnVersion(L"1, 2, 3, 4");
    mx::ClearRecordedLaunches();
    SetUpdateCheckHooks({[this] { ++ended_; }, [this] { ++popups_; }, [] { return HWND{}; }});
    g_bOpenUpdateInBrowser = false;
  }
  void TearDown() override {
    unsetenv("MENDRIX_SERVICE_URL");
    SetUpdateCheckHooks({});
    ResetLanguageReader();
  }

  static void SetOwnVersion(const std::wstring& text) {
    const WORD parts[4] = {1, 2, 3, 4};
    mx::SetModuleVersionResource(mx::BuildVersionResource(parts, {{L"FileVersion", text}}));
  }

  // The double with an update description route (and the installer at /setup.exe).
  std::unique_ptr<ServiceDouble> Serve(const std::string& routes) {
    auto service = std::make_unique<ServiceDouble>("{\"routes\": [" + routes + "]}");
    setenv("MENDRIX_SERVICE_URL", service->url().c_str(), 1);
    return service;
  }
  std::string UpdateRoute(const std::string& description, const std::string& extra = "") {
    return R"({"path": "/update/checkupdate.php", "body": ")" + description + "\"" + extra + "}";
  }

  fs::path DataFile(const std::wstring& name) const {
    return prefix_.hostPath(std::wstring(apptest::kDataFolder) + L"\\" + name);
  }
  static std::vector<std::string> Paths(const ServiceDouble& service) {
    std::vector<std::string> paths;
    for (const auto& r : service.requests()) paths.push_back(r.method + " " + r.path);
    return paths;
  }

  apptest::AppPrefix prefix_;
  win::ScopedAnswers prompts_;
  int ended_ = 0;
  int popups_ = 0;
};

}  // namespace

TEST(UpdateVersions, FourPartsCompareAsSixteenBitFields) {
  struct Case {
    const wchar_t* own;
    const wchar_t* remote;
    int newer;
  };
  const Case kCases[] = {
      {L"1, 2, 3, 4", L"1.2.3.4", 0},  {L"1.2.3.4", L"1.2.4.0", 1},     {L"1.2.3.4", L"1.2.3.3", 0},
      {L"1.2.3.4", L"2.0.0.0", 1},      {L"1.2.3.4", L"1.2.3.65540", 0}, {L"1.2.3.4", L"1.2.3.65541", 1},
      {L"1.2.3.4", L"1.2.3", -1},       {L"1.2.3", L"9.9.9.9", -1},      {L"1,2,3,4", L"1.2.3.4.9", 0},
  };
  for (const auto& c : kCases) EXPECT_EQ(CompareUpdateVersions(c.own, c.remote), c.newer) << c.own << " / " << c.remote;
}

TEST_F(UpdateCheckTest, OwnVersionComesFromTheProgramsVersionResource) {
  std::wstring version;
  EXPECT_TRUE(GetExeFileVersion(version));
  EXPECT_EQ(version, L"1, 2, 3, 4");
  mx::SetModuleVersionResource({});
  EXPECT_FALSE(GetExeFileVersion(version));
  EXPECT_EQ(version, L"");
}

TEST_F(UpdateCheckTest, EqualVersionDownloadsNothingAndSaysSo) {
  auto service = Serve(UpdateRoute(Description("1.2.3.4", "http://127.0.0.1:9/setup.exe")));
  prefix_.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"DLLFILENAME"="my lib&x.dll"
)");
  EXPECT_EQ(CheckForUpdates(FALSE, FALSE, FALSE), 0);
  EXPECT_EQ(Paths(*service), (std::vector<std::string>{"HEAD /", "GET /update/checkupdate.php"}));
  // Every value percent-encoded; keys and their order as they were.
  EXPECT_EQ(service->requests()[1].query, "tarvolen=1&ver=1%2C%202%2C%203%2C%204&dllname=my%20lib%26x.dll");
  EXPECT_TRUE(fs::exists(DataFile(L"kvtupdate.ini")));
  ASSERT_EQ(prompts_.answers.texts().size(), 1u);
  EXPECT_EQ(prompts_.answers.texts()[0], GetLocalizedString(L"IDS_NO_NEW_UPDATE_ABLBLE"));
  // Quiet: the same check shows nothing.
  prompts_.answers.clear();
  EXPECT_EQ(CheckForUpdates(TRUE, FALSE, FALSE), 0);
  EXPECT_TRUE(prompts_.answers.texts().empty());
}

TEST_F(UpdateCheckTest, NewerVersionSavesTheInstallerAndReportsThatItCannotRun) {
  auto service = Serve(R"({"path": "/setup.exe", "body": "MZ installer"}, )" +
                       UpdateRoute(Description("1.2.4.0", "{base}/setup.exe")));
  prompts_.answers.Expect(GetLocalizedString(L"IDS_NEW_UPDATE_ABLBLE"), IDYES);
  EXPECT_EQ(CheckForUpdates(TRUE, FALSE, FALSE), 0);
  EXPECT_EQ(Paths(*service),
            (std::vector<std::string>{"HEAD /", "GET /update/checkupdate.php", "HEAD /", "GET /setup.exe"}));

  SYSTEMTIME now;
  win::GetLocalTime(&now);
  const std::wstring name = L"productSetup_Setup_" + std::to_wstring(now.wMonth) + L"_" +
                            std::to_wstring(now.wDay) + L"_" + std::to_wstring(now.wYear) + L".exe";
  std::string installer;
  mx::ReadWholeFile(DataFile(name), installer);
  EXPECT_EQ(installer, "MZ installer");
  EXPECT_FALSE(fs::exists(DataFile(L"proupdate.tmp")));
  EXPECT_TRUE(fs::exists(DataFile(L"kvtupdate.ini")));

  // The launch was asked for, could not happen here, and the program stays.
  const auto launches = mx::RecordedLaunches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].verb, L"open");
  EXPECT_EQ(launches[0].file, L"\"" + g_strSetupPath + L"\"");
  EXPECT_EQ(launches[0].parameters, L"/verysilent");
  EXPECT_EQ(ended_, 0);
  const auto texts = prompts_.answers.texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_NE(texts[1].find(g_strSetupPath), std::wstring::npos);
  EXPECT_NE(texts[1].find(L"could not be started"), std::wstring::npos);
}

TEST_F(UpdateCheckTest, AnsweringNoOrAFailedInstallerDownloadRunsNothing) {
  auto service = Serve(UpdateRoute(Description("1.2.4.0", "{base}/gone.exe")));
  prompts_.answers.Expect(GetLocalizedString(L"IDS_NEW_UPDATE_ABLBLE"), IDNO);
  EXPECT_EQ(CheckForUpdates(FALSE, FALSE, FALSE), 0);
  EXPECT_EQ(Paths(*service).size(), 2u);

  // From the pop-up: no question, the download fails (404) and the user is told.
  EXPECT_EQ(CheckForUpdates(FALSE, FALSE, TRUE), 0);
  EXPECT_EQ(Paths(*service).back(), "GET /gone.exe");
  EXPECT_EQ(prompts_.answers.texts().back(), GetLocalizedString(L"IDS_UPDATE_DOWNLOAD_FAILED"));
  EXPECT_FALSE(fs::exists(DataFile(L"proupdate.tmp")));
  EXPECT_TRUE(mx::RecordedLaunches().empty());
}

TEST_F(UpdateCheckTest, IncompleteOrForeignDescriptionsAreNoUpdate) {
  struct Case {
    std::string description;
    const char* why;
  };
  const Case kCases[] = {
      {Description("1.2.5", "{base}/setup.exe"), "three parts"},
      {Description("", "{base}/setup.exe"), "no version"},
      {Description("1.2.4.0", ""), "no address"},
      {Description("1.2.4.0", "file:///etc/passwd", "1"), "not a web address"},
      {Description("1.2.4.0", "C:\\\\windows\\\\evil.exe", "1"), "a local program"},
  };
  // One description per check, in order.
  std::string routes;
  for (const auto& c : kCases) routes += (routes.empty() ? "" : ", ") + UpdateRoute(c.description, R"(, "times": 1)");
  auto service = Serve(routes);
  for (const auto& c : kCases) {
    prompts_.answers.clear();
    EXPECT_EQ(CheckForUpdates(FALSE, FALSE, FALSE), 0) << c.why;
    EXPECT_EQ(prompts_.answers.texts(), std::vector<std::wstring>{GetLocalizedString(L"IDS_NO_NEW_UPDATE_ABLBLE")})
        << c.why;
  }
  EXPECT_TRUE(mx::RecordedLaunches().empty());
}

TEST_F(UpdateCheckTest, OpenBrowserOffersTheWebPage) {
  auto service = Serve(UpdateRoute(Description("1.2.4.0", "https://example.invalid/new", " 1 "), R"(, "times": 1)") +
                       ", " + UpdateRoute(Description("1.2.4.0", "https://example.invalid/new", "1"), R"(, "times": 1)") +
                       ", " + UpdateRoute(Description("1.2.4.0", "{base}/setup.exe", "true")));
  for (const char* flag : {" 1 ", "1"}) {
    mx::ClearRecordedLaunches();
    prompts_.answers.Expect(GetLocalizedString(L"IDS_NEW_UPDATE_ABLBLE_BROWSER"), IDYES);
    EXPECT_EQ(CheckForUpdates(FALSE, FALSE, FALSE), 0) << flag;
    const auto launches = mx::RecordedLaunches();
    ASSERT_EQ(launches.size(), 1u) << flag;
    EXPECT_EQ(launches[0].file, L"https://example.invalid/new");
    EXPECT_EQ(launches[0].show, SW_SHOWMAXIMIZED);
  }
  EXPECT_EQ(Paths(*service).size(), 4u);  // the page itself is never downloaded
  // "true" is not "1": the installer question comes instead.
  prompts_.answers.Expect(GetLocalizedString(L"IDS_NEW_UPDATE_ABLBLE"), IDNO);
  EXPECT_EQ(CheckForUpdates(FALSE, FALSE, FALSE), 0);
  EXPECT_FALSE(g_bOpenUpdateInBrowser);
  EXPECT_EQ(prompts_.answers.pending(), 0u);
}

TEST_F(UpdateCheckTest, UnattendedRunReportsNewerWithoutDownloadingAndReadsEachDescriptionAfresh) {
  auto service = Serve(UpdateRoute(Description("1.2.3.4", "{base}/setup.exe", "1"), R"(, "times": 1)") + ", " +
                       UpdateRoute(Description("1.2.4.0", "{base}/setup.exe")));
  EXPECT_EQ(CheckForUpdates(TRUE, TRUE, FALSE), 0);
  EXPECT_TRUE(g_bOpenUpdateInBrowser);
  EXPECT_EQ(CheckForUpdates(TRUE, TRUE, FALSE), 1);
  EXPECT_FALSE(g_bOpenUpdateInBrowser);
  EXPECT_EQ(Paths(*service), (std::vector<std::string>{"HEAD /", "GET /update/checkupdate.php", "HEAD /",
                                                       "GET /update/checkupdate.php"}));
  EXPECT_TRUE(prompts_.answers.texts().empty());
}

TEST_F(UpdateCheckTest, UnattendedThreadEndsTheProgramOrShowsThePopup) {
  auto service = Serve(UpdateRoute(Description("1.2.3.4", "{base}/setup.exe"), R"(, "times": 1)") + ", " +
                       UpdateRoute(Description("1.2.4.0", "{base}/setup.exe")));
  g_bQuietUpdateCheck = true;
  for (const auto& [ended, popups] : {std::pair{1, 0}, std::pair{1, 1}}) {
    RunUpdateCheck(/*updateCheckMode=*/TRUE, /*fromPopup=*/FALSE);
    EXPECT_EQ(ended_, ended);
    EXPECT_EQ(popups_, popups);
  }
  EXPECT_TRUE(prompts_.answers.texts().empty());
}

TEST_F(UpdateCheckTest, WithoutAServiceNoConnectionIsAttempted) {
  ServiceDouble service(R"({"routes": [{"path": "*", "body": "x"}]})");
  EXPECT_EQ(CheckForUpdates(FALSE, FALSE, FALSE), 0);
  EXPECT_EQ(prompts_.answers.texts(), std::vector<std::wstring>{GetLocalizedString(L"IDS_CANNOT_CONNECT")});
  EXPECT_TRUE(service.requests().empty());
}

TEST_F(UpdateCheckTest, OneCheckAtATime) {
  auto service = Serve(UpdateRoute(Description("1.2.4.0", "{base}/setup.exe")));
  g_bUpdateCheckRunning = true;
  EXPECT_EQ(CheckForUpdates(TRUE, TRUE, FALSE), 0);
  g_bUpdateCheckRunning = false;
  EXPECT_TRUE(service->requests().empty());
}
