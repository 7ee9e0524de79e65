#pragma once
// The class library's archive encoding: little-endian integers, length-prefixed UTF-16 strings and counted
// string arrays. The reader never trusts a stored length beyond the bytes that are left.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mx {

class ArchiveWriter {
 public:
  void WriteU8(std::uint8_t v);
  void WriteU16(std::uint16_t v);
  void WriteU32(std::uint32_t v);
  void WriteI32(std::int32_t v) { WriteU32(static_cast<std::uint32_t>(v)); }
  void WriteU64(std::uint64_t v);
  void WriteBytes(std::string_view bytes);
  // 0xFF, 0xFFFE, the length in units (byte < 255; else 0xFF + word < 0xFFFE; else 0xFF 0xFFFF + dword), units.
  void WriteString(std::wstring_view s);
  // Count (word below 0xFFFF, else 0xFFFF + dword), then each string.
  void WriteStringArray(const std::vector<std::wstring>& items);
  // A count as the class library writes collection sizes (same rule as the array count).
  void WriteCount(std::uint32_t n);

  const std::string& bytes() const { return bytes_; }
  std::string take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

class ArchiveReader {
 public:
  explicit ArchiveReader(std::string_view bytes) : data_(bytes) {}

  // Each returns false (and leaves the output alone) when the data is short or malformed; after the first
  // failure every later call fails too, so a caller may check once at the end with ok().
  bool ReadU8(std::uint8_t& v);
  bool ReadU16(std::uint16_t& v);
  bool ReadU32(std::uint32_t& v);
  bool ReadI32(std::int32_t& v);
  bool ReadU64(std::uint64_t& v);
  bool ReadBytes(size_t n, std::string& out);
  bool ReadString(std::wstring& s);
  bool ReadCount(std::uint32_t& n);
  bool ReadStringArray(std::vector<std::wstring>& items);

  bool ok() const { return ok_; }
  size_t remaining() const { return ok_ ? data_.size() - pos_ : 0; }
  size_t position() const { return pos_; }
  bool atEnd() const { return ok_ && pos_ == data_.size(); }

 private:
  bool Fail() { ok_ = false; return false; }
  bool Need(size_t n) { return ok_ && data_.size() - pos_ >= n ? true : Fail(); }

  std::string_view data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace mx
