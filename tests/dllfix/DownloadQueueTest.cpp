#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "dllfix/DownloadQueue.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "support/ServiceDouble.h"
#include "support/TestPrefix.h"

namespace fs = std::filesystem;
using mxtest::ServiceDouble;

namespace {

class DownloadQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(prefix_.hostPath(L"C:\\dl")); }
  void TearDown() override { unsetenv("MENDRIX_SERVICE_URL"); }

  void UseService(const ServiceDouble& service) { setenv("MENDRIX_SERVICE_URL", service.url().c_str(), 1); }

  // One whole sequence, as the callers run it.
  int Run(const std::vector<std::pair<std::string, std::string>>& files) {
    DownloadQueueLock lock;
    ResetDownloads();
    for (const auto& [url, target] : files) AddDownload(url.c_str(), target.c_str());
    SetDownloadOption("hidden", "1");
    return RunDownloads(0);
  }

  std::vector<std::string> Folder() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(prefix_.hostPath(L"C:\\dl"))) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string Content(const std::wstring& path) const {
    std::string s;
    mx::ReadWholeFile(prefix_.hostPath(path), s);
    return s;
  }

  mxtest::TestPrefix prefix_;
};

}  // namespace

TEST_F(DownloadQueueTest, ThreeQueuedFilesLandAndTheLogShowsTheirRequests) {
  ServiceDouble service(R"({"routes": [
    {"path": "/f/a.dll", "body": "A"}, {"path": "/f/b.dll", "body": "B"}, {"path": "/c", "body": "C"}]})");
  UseService(service);
  const std::string u = service.url();
  EXPECT_EQ(Run({{u + "/f/a.dll", "C:\\dl\\a.dll"}, {u + "/f/b.dll?v=2&x=%41", "C:\\dl\\b.dll"},
                 {u + "/c?q", "C:\\DL\\c.bin"}}),
            1);
  EXPECT_EQ(Folder(), (std::vector<std::string>{"a.dll", "b.dll", "c.bin"}));
  EXPECT_EQ(Content(L"C:\\dl\\b.dll"), "B");
  const auto log = service.requests();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].path, "/f/a.dll");
  EXPECT_EQ(log[1].path, "/f/b.dll");
  EXPECT_EQ(log[1].query, "v=2&x=%41");
  EXPECT_EQ(log[2].query, "q");
}

TEST_F(DownloadQueueTest, AFailedFileFailsTheRunAndLeavesNoneOfItsFiles) {
  ServiceDouble service(R"({"routes": [
    {"path": "/good", "body": "G"}, {"path": "/e500", "status": 500},
    {"path": "/tofile", "headers": {"Location": "file:///etc/hostname"}}]})");
  UseService(service);
  const std::string u = service.url();
  for (const std::string bad : {"/missing", "/e500", "/tofile"}) {
    EXPECT_EQ(Run({{u + "/good", "C:\\dl\\g"}, {u + bad, "C:\\dl\\b"}}), 0) << bad;
    EXPECT_TRUE(Folder().empty()) << bad;
  }
  EXPECT_EQ(Run({{"file:///etc/hostname", "C:\\dl\\h"}}), 0);
  EXPECT_EQ(Run({{u + "/good", "C:\\no such folder\\g"}}), 0);
  EXPECT_TRUE(Folder().empty());

  const std::string refused = u + "/good";
  service.stop();
  EXPECT_EQ(Run({{refused, "C:\\dl\\g"}}), 0);
  EXPECT_TRUE(Folder().empty());
}

TEST_F(DownloadQueueTest, TestConnectionFollowsTheService) {
  ServiceDouble service(R"({"routes": []})");
  UseService(service);
  EXPECT_NE(TestConnection(), 0);  // a 404 is an answer: the service is there
  service.stop();
  EXPECT_EQ(TestConnection(), 0);
}

TEST_F(DownloadQueueTest, WithoutAServiceNothingIsRequested) {
  ServiceDouble service(R"({"routes": [{"path": "*", "body": "x"}]})");
  EXPECT_EQ(TestConnection(), 0);
  EXPECT_EQ(Run({{service.url() + "/x", "C:\\dl\\x"}}), 0);
  // A configured address that is not a web address counts as none.
  setenv("MENDRIX_SERVICE_URL", ("file://" + service.url()).c_str(), 1);
  EXPECT_EQ(TestConnection(), 0);
  EXPECT_TRUE(service.requests().empty());
  EXPECT_TRUE(Folder().empty());
}

TEST_F(DownloadQueueTest, TheProductKeyNamesTheServiceWhenTheEnvironmentDoesNot) {
  ServiceDouble service(R"({"routes": []})");
  prefix_.import32(L"[HKEY_LOCAL_MACHINE\\Software\\Tarvolen\\Mendrix\\Version 1.0]\n\"ServiceURL\"=\"" +
                   mx::Utf8ToWide(service.url()) + L"/\"\n");
  EXPECT_NE(TestConnection(), 0);
  ASSERT_EQ(service.requests().size(), 1u);
  EXPECT_EQ(service.requests()[0].path, "/");
}
