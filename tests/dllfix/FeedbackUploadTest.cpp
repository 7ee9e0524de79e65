#include <cstdlib>

#include <gtest/gtest.h>

#include "dllfix/FeedbackUpload.h"
#include "platform/base/Clock.h"
#include "support/ServiceDouble.h"
#include "support/TestPrefix.h"

using mxtest::ServiceDouble;

namespace {

constexpr const char* kResponse =
    R"(<?xml version=\"1.0\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>)"
    R"(<UploadFeedbackResponse xmlns=\"http://tarvolen.example/ws/\"><UploadFeedbackResult>ok</UploadFeedbackResult>)"
    R"(</UploadFeedbackResponse></soap:Body></soap:Envelope>)";
constexpr const char* kFault =
    R"(<?xml version=\"1.0\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>)"
    R"(<soap:Fault><faultcode>soap:Server</faultcode><faultstring>no</faultstring></soap:Fault></soap:Body></soap:Envelope>)";

class FeedbackUploadTest : public ::testing::Test {
 protected:
  void SetUp() override { mx::SetClock(&clock_); }
  void TearDown() override {
    mx::SetClock(nullptr);
    unsetenv("MENDRIX_SERVICE_URL");
  }
  std::unique_ptr<ServiceDouble> Serve(const std::string& routes) {
    auto service = std::make_unique<ServiceDouble>("{\"routes\": [" + routes + "]}");
    setenv("MENDRIX_SERVICE_URL", service->url().c_str(), 1);
    return service;
  }

  mxtest::TestPrefix prefix_;
  mx::FakeClock clock_;
};

}  // namespace

TEST(FeedbackReportName, HasNeitherBlanksNorCapitalsAndDiffersByTick) {
  SYSTEMTIME t{};
  t.wYear = 2026, t.wMonth = 3, t.wDay = 7, t.wHour = 9, t.wMinute = 5, t.wSecond = 1;
  EXPECT_EQ(MakeFeedbackReportName(L"  Tarvolen Mendrix ", t, 0xBEEF), L"tarvolen_mendrix26_03_07_09_05_01-beef.xml");
  EXPECT_NE(MakeFeedbackReportName(L"X", t, 1), MakeFeedbackReportName(L"X", t, 2));
}

TEST_F(FeedbackUploadTest, FirstAttemptSendsTheSoapCall) {
  auto service = Serve(std::string(R"({"path": "/ws/MiscService.asmx", "method": "POST", "body": ")") + kResponse + "\"}");
  EXPECT_EQ(UploadFeedbackReport(L"<sf_feedback><content>a & b</content></sf_feedback>"), 1);
  EXPECT_TRUE(clock_.sleeps().empty());
  const auto log = service->requests();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].method, "POST");
  EXPECT_EQ(log[0].headers.at("soapaction"), "\"http://tarvolen.example/ws/UploadFeedback\"");
  EXPECT_EQ(log[0].headers.at("content-type"), "text/xml; charset=utf-8");
  const std::string& body = log[0].body;
  EXPECT_NE(body.find("xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\""), std::string::npos);
  EXPECT_NE(body.find("<snp:UploadFeedback xmlns:snp=\"http://tarvolen.example/ws/\"><snp:input>"
                      "&lt;sf_feedback&gt;&lt;content&gt;a &amp; b&lt;/content&gt;&lt;/sf_feedback&gt;</snp:input>"
                      "<snp:filename>"),
            std::string::npos);
  EXPECT_EQ(body.find("encodingStyle"), std::string::npos);
}

TEST_F(FeedbackUploadTest, FaultsAndErrorsAreFailedAttemptsUntilOneSucceeds) {
  auto service = Serve(std::string(R"({"path": "*", "status": 500, "times": 1, "body": ")") + kFault + "\"}, " +
                       R"({"path": "*", "status": 200, "times": 1, "body": ")" + kFault + "\"}, " +
                       R"({"path": "*", "status": 200, "times": 1, "body": "<html>hello</html>"}, )" +
                       R"({"path": "*", "body": ")" + kResponse + "\"}");
  EXPECT_EQ(UploadFeedbackReport(L"r"), 1);
  EXPECT_EQ(service->requests().size(), 4u);
  EXPECT_EQ(clock_.sleeps(), (std::vector<std::uint32_t>{1024, 1024, 1024}));
}

TEST_F(FeedbackUploadTest, FourFailuresGiveZero) {
  auto service = Serve(std::string(R"({"path": "*", "status": 500, "body": ")") + kFault + "\"}");
  EXPECT_EQ(UploadFeedbackReport(L"r"), 0);
  EXPECT_EQ(service->requests().size(), 4u);
  EXPECT_EQ(clock_.sleeps(), (std::vector<std::uint32_t>{1024, 1024, 1024}));

  // Without a service nothing leaves the machine; the attempts still fail in their time.
  unsetenv("MENDRIX_SERVICE_URL");
  EXPECT_EQ(UploadFeedbackReport(L"r"), 0);
  EXPECT_EQ(service->requests().size(), 4u);
}
