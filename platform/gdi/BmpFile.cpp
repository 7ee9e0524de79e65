#include "platform/gdi/BmpFile.h"

#include "platform/base/FileIO.h"

namespace gdi {
namespace {

uint32_t U32(std::string_view b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t U16(std::string_view b, size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); }

void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}
void Put16(std::string& s, uint16_t v) {
  s.push_back(char(v & 0xFF));
  s.push_back(char(v >> 8));
}

std::optional<BmpImage> Fail(std::string* error, const char* why) {
  if (error) *error = why;
  return std::nullopt;
}

int Shift(uint32_t mask) {
  int s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}

uint32_t Channel(uint32_t v, uint32_t mask) {
  if (!mask) return 0;
  uint32_t x = (v & mask) >> Shift(mask);
  uint32_t max = mask >> Shift(mask);
  return max ? x * 255 / max : 0;
}

}  // namespace

std::optional<BmpImage> ParseBmp(std::string_view b, std::string* error) {
  constexpr size_t kMaxPixels = size_t(1) << 26;
  if (b.size() < 14 + 40 || b[0] != 'B' || b[1] != 'M') return Fail(error, "not a bitmap file");
  const uint32_t dataOffset = U32(b, 10);
  const uint32_t headerSize = U32(b, 14);
  if (headerSize < 40 || 14 + size_t(headerSize) > b.size()) return Fail(error, "bitmap header truncated");
  const int32_t width = static_cast<int32_t>(U32(b, 18));
  const int32_t rawHeight = static_cast<int32_t>(U32(b, 22));
  const uint16_t bits = U16(b, 28);
  const uint32_t compression = U32(b, 30);
  uint32_t colorsUsed = U32(b, 46);
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return Fail(error, "bad bitmap size");
  const bool topDown = rawHeight < 0;
  const int64_t height = topDown ? -int64_t(rawHeight) : rawHeight;
  if (uint64_t(width) * uint64_t(height) > kMaxPixels) return Fail(error, "bitmap too large");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return Fail(error, "unsupported bit depth");
  uint32_t rmask = 0xFF0000, gmask = 0xFF00, bmask = 0xFF;
  if (compression == 3 && (bits == 32)) {  // BI_BITFIELDS: masks follow a 40-byte header
    if (14 + 40 + 12 > b.size()) return Fail(error, "bit fields truncated");
    rmask = U32(b, 54);
    gmask = U32(b, 58);
    bmask = U32(b, 62);
  } else if (compression != 0) {
    return Fail(error, "compressed bitmaps are not supported");
  }
  std::vector<uint32_t> palette;
  if (bits <= 8) {
    uint32_t max = 1u << bits;
    if (colorsUsed == 0 || colorsUsed > max) colorsUsed = max;
    size_t at = 14 + headerSize;
    if (at + size_t(colorsUsed) * 4 > b.size()) return Fail(error, "palette truncated");
    for (uint32_t i = 0; i < colorsUsed; ++i, at += 4)
      palette.push_back(uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16);
  }
  const size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
  if (dataOffset > b.size() || stride * size_t(height) > b.size() - dataOffset) return Fail(error, "pixel data truncated");

  BmpImage img;
  img.width = width;
  img.height = static_cast<int>(height);
  img.bitsPerPixel = bits;
  img.pixels.resize(size_t(width) * size_t(height));
  for (int64_t row = 0; row < height; ++row) {
    const size_t src = dataOffset + size_t(topDown ? row : height - 1 - row) * stride;
    uint32_t* out = &img.pixels[size_t(row) * width];
    for (int32_t x = 0; x < width; ++x) {
      uint32_t v = 0;
      switch (bits) {
        case 32: {
          uint32_t p = U32(b, src + size_t(x) * 4);
          v = Channel(p, rmask) << 16 | Channel(p, gmask) << 8 | Channel(p, bmask);
          break;
        }
        case 24: {
          size_t at = src + size_t(x) * 3;
          v = uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16;
          break;
        }
        default: {
          size_t bit = size_t(x) * bits;
          uint8_t byte = uint8_t(b[src + bit / 8]);
          uint32_t index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
          v = index < palette.size() ? palette[index] : 0;  // an index past the palette reads as black
          break;
        }
      }
      out[x] = v;
    }
  }
  return img;
}

std::string EncodeBmp(int width, int height, const std::vector<uint32_t>& pixels) {
  const size_t stride = ((size_t(width) * 24 + 31) / 32) * 4;
  const size_t dataSize = stride * size_t(height);
  std::string s;
  s.reserve(54 + dataSize);
  s += "BM";
  Put32(s, static_cast<uint32_t>(54 + dataSize));
  Put32(s, 0);
  Put32(s, 54);
  Put32(s, 40);
  Put32(s, static_cast<uint32_t>(width));
  Put32(s, static_cast<uint32_t>(height));
  Put16(s, 1);
  Put16(s, 24);
  Put32(s, 0);
  Put32(s, static_cast<uint32_t>(dataSize));
  Put32(s, 3780);  // 96 DPI
  Put32(s, 3780);
  Put32(s, 0);
  Put32(s, 0);
  for (int row = height - 1; row >= 0; --row) {
    size_t start = s.size();
    for (int x = 0; x < width; ++x) {
      uint32_t v = pixels[size_t(row) * width + x];
      s.push_back(char(v & 0xFF));
      s.push_back(char((v >> 8) & 0xFF));
      s.push_back(char((v >> 16) & 0xFF));
    }
    while (s.size() - start < stride) s.push_back('\0');
  }
  return s;
}

bool WriteBmpFile(const std::filesystem::path& path, int width, int height, const std::vector<uint32_t>& pixels) {
  if (width <= 0 || height <= 0 || pixels.size() != size_t(width) * size_t(height)) return false;
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  return mx::WriteFileAtomic(path, EncodeBmp(width, height, pixels));
}

}  // namespace gdi
