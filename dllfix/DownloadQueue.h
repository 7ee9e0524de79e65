#pragma once
// The download queue: URL and file pairs fetched in one run. Used by the DLL installation (on the UI thread)
// and the update check (on its own thread) in the same order: TestConnection; then, holding a
// DownloadQueueLock, ResetDownloads, one AddDownload per file, SetDownloadOption calls and RunDownloads.
//
// Only http and https are fetched, also after redirects. With no web service configured nothing is ever
// requested: TestConnection and RunDownloads return 0.
#include <mutex>

// Holds the process-wide queue for one reset-add-run sequence, so two sequences never interleave.
class DownloadQueueLock {
 public:
  DownloadQueueLock();
  ~DownloadQueueLock();
  DownloadQueueLock(const DownloadQueueLock&) = delete;
  DownloadQueueLock& operator=(const DownloadQueueLock&) = delete;

 private:
  std::unique_lock<std::recursive_mutex> lock_;
};

// Non-zero when the web service answers at its base address (any HTTP status counts).
int TestConnection();
// Empties the queue and its options.
void ResetDownloads();
// Queues one file: url (UTF-8) to the full Windows path target; the caller has made the folder and deleted an
// older file there.
void AddDownload(const char* url, const char* target);
// An option for the next run: "hidden" "1"/"0" (progress shown or not; nothing is shown here either way) and
// "simple"; others are kept and ignored.
void SetDownloadOption(const char* name, const char* value);
// Fetches every queued file in order. Non-zero when every one landed at its path. On the first failure the
// run stops and the files it placed are removed again, so a failed run leaves none of its targets and no
// temporary file behind.
int RunDownloads(int reserved);
