#pragma once
// Windows bitmap files (BITMAPFILEHEADER + BITMAPINFOHEADER): reading 1, 4, 8, 24 and 32 bits per pixel,
// uncompressed or with bit fields, bottom-up or top-down; writing 24-bit bottom-up files.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gdi {

struct BmpImage {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
};

// Damaged, truncated, compressed or oversize files give nullopt and an explanation in *error.
std::optional<BmpImage> ParseBmp(std::string_view bytes, std::string* error = nullptr);
std::string EncodeBmp(int width, int height, const std::vector<uint32_t>& pixels);
// Written through a temporary file and a rename.
bool WriteBmpFile(const std::filesystem::path& path, int width, int height, const std::vector<uint32_t>& pixels);

}  // namespace gdi
