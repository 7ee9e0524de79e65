#include <algorithm>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/http/Http.h"
#include "platform/http/UrlMon.h"
#include "support/ServiceDouble.h"
#include "support/TestPrefix.h"

namespace fs = std::filesystem;
using mxtest::ServiceDouble;

namespace {

// What is left in a folder after a transfer: part files must never stay behind.
std::vector<std::string> FolderEntries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(Http, GetAndPostReachTheServiceAsSent) {
  ServiceDouble service(R"({"routes": [
    {"path": "/a", "method": "GET", "body": "hello"},
    {"path": "/p", "method": "POST", "status": 201, "body": "made"}]})");
  mx::http::Request get;
  get.url = service.url() + "/a?x=1&y=%20";
  auto r = mx::http::Send(get);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.body, "hello");

  mx::http::Request post;
  post.method = "POST";
  post.url = service.url() + "/p";
  post.headers = {"Content-Type: application/octet-stream"};
  post.body = std::string("a\0b\r\n", 5);
  r = mx::http::Send(post);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.status, 201);

  const auto log = service.requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].method, "GET");
  EXPECT_EQ(log[0].path, "/a");
  EXPECT_EQ(log[0].query, "x=1&y=%20");
  EXPECT_EQ(log[1].method, "POST");
  EXPECT_EQ(log[1].body, post.body);
  EXPECT_EQ(log[1].headers.at("content-type"), "application/octet-stream");
}

TEST(Http, DownloadReplacesTheTargetOnlyForAWholeSuccessfulAnswer) {
  ServiceDouble service(R"({"routes": [
    {"path": "/ok", "body": "new content"},
    {"path": "/err", "status": 500, "body": "oops"},
    {"path": "/big", "body": "0123456789abcdef"},
    {"path": "/slow", "delay": 3, "body": "late"},
    {"path": "/tofile", "headers": {"Location": "file:///etc/hostname"}},
    {"path": "/toother", "headers": {"Location": "/ok"}}]})");
  mxtest::TempDir dir;
  const fs::path target = dir.path() / "t.bin";
  auto fetch = [&](const std::string& path, mx::http::Options options = {}) {
    mx::WriteFileAtomic(target, "old");
    mx::http::Request request;
    request.url = path.find(':') == std::string::npos ? service.url() + path : path;
    auto result = mx::http::DownloadToFile(request, target.string(), options);
    std::string content;
    mx::ReadWholeFile(target, content);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"t.bin"}) << path;
    return std::make_pair(result.ok(), content);
  };
  EXPECT_EQ(fetch("/ok"), std::make_pair(true, std::string("new content")));
  EXPECT_EQ(fetch("/toother"), std::make_pair(true, std::string("new content")));
  EXPECT_EQ(fetch("/missing"), std::make_pair(false, std::string("old")));
  EXPECT_EQ(fetch("/err"), std::make_pair(false, std::string("old")));
  EXPECT_EQ(fetch("/tofile"), std::make_pair(false, std::string("old")));
  EXPECT_EQ(fetch("file:///etc/hostname"), std::make_pair(false, std::string("old")));
  mx::http::Options small;
  small.maxBytes = 8;
  EXPECT_EQ(fetch("/big", small), std::make_pair(false, std::string("old")));
  mx::http::Options hurried;
  hurried.totalTimeoutMs = 500;
  EXPECT_EQ(fetch("/slow", hurried), std::make_pair(false, std::string("old")));
  // The file: URL never reached the double; the refused redirect did, once.
  for (const auto& request : service.requests()) EXPECT_NE(request.path, "/etc/hostname");
}

TEST(Http, RefusedConnectionHasNoStatus) {
  ServiceDouble service(R"({"routes": []})");
  const std::string url = service.url() + "/x";
  service.stop();
  mx::http::Request request;
  request.url = url;
  const auto r = mx::http::Send(request);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(r.error.empty());
}

TEST(Http, UrlTexts) {
  struct Case {
    const char* url;
    bool http;
  };
  const Case kCases[] = {{"http://a", true},       {"HTTPS://a/b?c", true}, {"http://", false},
                         {"http:///x", false},     {"file:///etc", false},  {"ftp://a/b", false},
                         {"javascript:x", false},  {"C:\\a.exe", false},    {"", false}};
  for (const auto& c : kCases) EXPECT_EQ(mx::http::IsHttpUrl(c.url), c.http) << c.url;
  EXPECT_EQ(mx::http::PercentEncode("a-b_c.d~"), "a-b_c.d~");
  EXPECT_EQ(mx::http::PercentEncode("C:\\Program Files\\x&y=#1"), "C%3A%5CProgram%20Files%5Cx%26y%3D%231");
  EXPECT_EQ(mx::http::PercentEncode("\xC3\xA9"), "%C3%A9");
}

TEST(Http, ProxyComesOnlyFromEnabledInternetSettings) {
  mxtest::TestPrefix prefix;
  EXPECT_EQ(mx::http::ProxyFromInternetSettings(), "");
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
"ProxyEnable"=dword:00000000
"ProxyServer"="proxy.lan:3128"
)");
  EXPECT_EQ(mx::http::ProxyFromInternetSettings(), "");
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
"ProxyEnable"=dword:00000001
)");
  EXPECT_EQ(mx::http::ProxyFromInternetSettings(), "proxy.lan:3128");
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
"ProxyServer"="ftp=f:21;http=web.lan:8080;https=s:443"
)");
  EXPECT_EQ(mx::http::ProxyFromInternetSettings(), "web.lan:8080");
}

TEST(UrlMon, DownloadsToAWindowsPath) {
  mxtest::TestPrefix prefix;
  prefix.createFile(L"C:\\data\\keep.txt", "x");
  ServiceDouble service(R"({"routes": [{"path": "/r.xml", "body": "<r/>"}]})");
  const std::wstring base = mx::Utf8ToWide(service.url());
  EXPECT_EQ(win::URLDownloadToFile(nullptr, (base + L"/r.xml").c_str(), L"C:\\Data\\R.XML", 0, nullptr), S_OK);
  std::string content;
  mx::ReadWholeFile(prefix.hostPath(L"C:\\data\\R.XML"), content);
  EXPECT_EQ(content, "<r/>");
  EXPECT_EQ(win::URLDownloadToFile(nullptr, (base + L"/none").c_str(), L"C:\\data\\n.xml", 0, nullptr),
            INET_E_RESOURCE_NOT_FOUND);
  EXPECT_EQ(win::URLDownloadToFile(nullptr, L"file:///etc/passwd", L"C:\\data\\p", 0, nullptr), INET_E_INVALID_URL);
  EXPECT_FALSE(fs::exists(prefix.hostPath(L"C:\\data\\n.xml")));
}
