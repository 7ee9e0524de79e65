#include "platform/base/Archive.h"

namespace mx {

void ArchiveWriter::WriteU8(std::uint8_t v) { bytes_.push_back(static_cast<char>(v)); }

void ArchiveWriter::WriteU16(std::uint16_t v) {
  WriteU8(static_cast<std::uint8_t>(v & 0xFF));
  WriteU8(static_cast<std::uint8_t>(v >> 8));
}

void ArchiveWriter::WriteU32(std::uint32_t v) {
  WriteU16(static_cast<std::uint16_t>(v & 0xFFFF));
  WriteU16(static_cast<std::uint16_t>(v >> 16));
}

void ArchiveWriter::WriteU64(std::uint64_t v) {
  WriteU32(static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
  WriteU32(static_cast<std::uint32_t>(v >> 32));
}

void ArchiveWriter::WriteBytes(std::string_view bytes) { bytes_.append(bytes); }

void ArchiveWriter::WriteString(std::wstring_view s) {
  WriteU8(0xFF);
  WriteU16(0xFFFE);
  size_t n = s.size();
  if (n < 0xFF) {
    WriteU8(static_cast<std::uint8_t>(n));
  } else {
    WriteU8(0xFF);
    if (n < 0xFFFE) {
      WriteU16(static_cast<std::uint16_t>(n));
    } else {
      WriteU16(0xFFFF);
      WriteU32(static_cast<std::uint32_t>(n));
    }
  }
  for (wchar_t c : s) WriteU16(static_cast<std::uint16_t>(static_cast<std::uint32_t>(c) & 0xFFFF));
}

void ArchiveWriter::WriteCount(std::uint32_t n) {
  if (n < 0xFFFF) {
    WriteU16(static_cast<std::uint16_t>(n));
  } else {
    WriteU16(0xFFFF);
    WriteU32(n);
  }
}

void ArchiveWriter::WriteStringArray(const std::vector<std::wstring>& items) {
  WriteCount(static_cast<std::uint32_t>(items.size()));
  for (const auto& s : items) WriteString(s);
}

bool ArchiveReader::ReadU8(std::uint8_t& v) {
  if (!Need(1)) return false;
  v = static_cast<std::uint8_t>(data_[pos_++]);
  return true;
}

bool ArchiveReader::ReadU16(std::uint16_t& v) {
  if (!Need(2)) return false;
  v = static_cast<std::uint16_t>(static_cast<std::uint8_t>(data_[pos_]) |
                                 (static_cast<std::uint8_t>(data_[pos_ + 1]) << 8));
  pos_ += 2;
  return true;
}

bool ArchiveReader::ReadU32(std::uint32_t& v) {
  std::uint16_t lo, hi;
  if (!Need(4)) return false;
  ReadU16(lo);
  ReadU16(hi);
  v = static_cast<std::uint32_t>(lo) | (static_cast<std::uint32_t>(hi) << 16);
  return true;
}

bool ArchiveReader::ReadI32(std::int32_t& v) {
  std::uint32_t u;
  if (!ReadU32(u)) return false;
  v = static_cast<std::int32_t>(u);
  return true;
}

bool ArchiveReader::ReadU64(std::uint64_t& v) {
  std::uint32_t lo, hi;
  if (!Need(8)) return false;
  ReadU32(lo);
  ReadU32(hi);
  v = static_cast<std::uint64_t>(lo) | (static_cast<std::uint64_t>(hi) << 32);
  return true;
}

bool ArchiveReader::ReadBytes(size_t n, std::string& out) {
  if (!Need(n)) return false;
  out.assign(data_.substr(pos_, n));
  pos_ += n;
  return true;
}

bool ArchiveReader::ReadString(std::wstring& s) {
  size_t start = pos_;
  std::uint8_t b;
  if (!ReadU8(b)) return false;
  bool unicode = false;
  std::uint32_t len = b;
  if (b == 0xFF) {
    std::uint16_t w;
    if (!ReadU16(w)) return false;
    if (w == 0xFFFE) {
      unicode = true;
      if (!ReadU8(b)) return false;
      len = b;
      if (b == 0xFF) {
        if (!ReadU16(w)) return false;
        len = w;
      }
    } else {
      len = w;
    }
    if (len == 0xFFFF) {
      if (!ReadU32(len)) return false;
    }
  }
  // Unicode strings hold two bytes a unit; an older 8-bit string one byte a character.
  size_t bytes = unicode ? static_cast<size_t>(len) * 2 : len;
  if (!Need(bytes)) {
    pos_ = start;
    return Fail();
  }
  std::wstring out;
  out.reserve(len);
  for (std::uint32_t i = 0; i < len; ++i) {
    if (unicode) {
      out.push_back(static_cast<wchar_t>(static_cast<std::uint8_t>(data_[pos_]) |
                                         (static_cast<std::uint8_t>(data_[pos_ + 1]) << 8)));
      pos_ += 2;
    } else {
      out.push_back(static_cast<wchar_t>(static_cast<std::uint8_t>(data_[pos_++])));
    }
  }
  s = std::move(out);
  return true;
}

bool ArchiveReader::ReadCount(std::uint32_t& n) {
  std::uint16_t w;
  if (!ReadU16(w)) return false;
  if (w != 0xFFFF) {
    n = w;
    return true;
  }
  return ReadU32(n);
}

bool ArchiveReader::ReadStringArray(std::vector<std::wstring>& items) {
  std::uint32_t n;
  if (!ReadCount(n)) return false;
  // Every string takes at least one byte, so a count beyond that is damage, not a reason to allocate.
  if (n > remaining()) return Fail();
  std::vector<std::wstring> out;
  out.reserve(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    std::wstring s;
    if (!ReadString(s)) return false;
    out.push_back(std::move(s));
  }
  items = std::move(out);
  return true;
}

}  // namespace mx
