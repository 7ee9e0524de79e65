#pragma once
// The zip archives of the undo runs, built and read in memory: an archive reaches the disk once, whole,
// through the atomic replace (a crash never leaves half an archive where a good one was), and a damaged one
// is read from a bounded copy that the reader never trusts beyond its size.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class BackupZipWriter {
 public:
  BackupZipWriter();
  ~BackupZipWriter();
  BackupZipWriter(const BackupZipWriter&) = delete;
  BackupZipWriter& operator=(const BackupZipWriter&) = delete;

  // Adds a file under the entry name (deflate, no password).
  bool Add(const std::wstring& entryName, const std::string& bytes);
  // Ends the archive and hands over its bytes; the writer is finished afterwards (Add fails).
  bool Finish(std::string& archive);

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

class BackupZipReader {
 public:
  BackupZipReader();
  ~BackupZipReader();
  BackupZipReader(const BackupZipReader&) = delete;
  BackupZipReader& operator=(const BackupZipReader&) = delete;

  // False when the bytes are no zip archive.
  bool Open(std::string archive);
  // The entry names in archive order; false when the directory is damaged.
  bool EntryNames(std::vector<std::wstring>& names);
  // The content of the first entry of that exact name; false when there is none, it is damaged, or larger
  // than maxBytes.
  bool Extract(const std::wstring& entryName, std::string& content, std::uint64_t maxBytes = 1ull << 30);

 private:
  struct State;
  std::unique_ptr<State> m_state;
};
