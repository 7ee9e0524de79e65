#include "dllfix/DownloadQueue.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/AppLog.h"
#include "app/ServiceAddress.h"
#include "platform/base/Text.h"
#include "platform/fs/WinPath.h"
#include "platform/http/Http.h"

namespace {

struct QueuedFile {
  std::string url;
  std::string target;
};

struct Queue {
  std::recursive_mutex mutex;
  std::vector<QueuedFile> files;
  std::map<std::string, std::string> options;
};

Queue& TheQueue() {
  static Queue queue;
  return queue;
}

mx::http::Options TransferOptions() {
  mx::http::Options options;
  options.proxy = mx::http::ProxyFromInternetSettings();
  return options;
}

}  // namespace

DownloadQueueLock::DownloadQueueLock() : lock_(TheQueue().mutex) {}
DownloadQueueLock::~DownloadQueueLock() = default;

int TestConnection() {
  const std::wstring base = GetServiceBaseUrl();
  if (base.empty()) return 0;
  mx::http::Options options = TransferOptions();
  options.connectTimeoutMs = 5000;
  options.totalTimeoutMs = 15000;
  mx::http::Request request;
  request.method = "HEAD";
  request.url = mx::WideToUtf8(base) + "/";
  const mx::http::Result result = mx::http::Send(request, options);
  if (result.status == 0) WriteLogLine(L"Cannot connect to the web service: " + mx::Utf8ToWide(result.error));
  return result.status != 0 ? 1 : 0;
}

void ResetDownloads() {
  DownloadQueueLock lock;
  TheQueue().files.clear();
  TheQueue().options.clear();
}

void AddDownload(const char* url, const char* target) {
  DownloadQueueLock lock;
  TheQueue().files.push_back({url ? url : "", target ? target : ""});
}

void SetDownloadOption(const char* name, const char* value) {
  if (!name) return;
  DownloadQueueLock lock;
  TheQueue().options[name] = value ? value : "";
}

int RunDownloads(int) {
  DownloadQueueLock lock;
  if (GetServiceBaseUrl().empty() || TheQueue().files.empty()) return 0;
  const mx::http::Options options = TransferOptions();
  std::vector<std::string> placed;
  for (const QueuedFile& file : TheQueue().files) {
    std::string error;
    const auto resolved = mx::ResolveWinPath(mx::Utf8ToWide(file.target));
    if (!mx::http::IsHttpUrl(file.url)) {
      error = "not an http or https address";
    } else if (!resolved) {
      error = "no such folder";
    } else {
      mx::http::Request request;
      request.url = file.url;
      const mx::http::Result result = mx::http::DownloadToFile(request, resolved->host.string(), options);
      if (result.ok()) {
        placed.push_back(resolved->host.string());
        continue;
      }
      error = result.error;
    }
    WriteLogLine(L"Download failed: " + mx::Utf8ToWide(file.url) + L": " + mx::Utf8ToWide(error));
    for (const std::string& path : placed) std::remove(path.c_str());
    return 0;
  }
  return 1;
}
