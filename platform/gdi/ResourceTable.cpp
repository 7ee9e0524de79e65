#include "platform/gdi/ResourceTable.h"

#include <charconv>
#include <map>
#include <mutex>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/gdi/BmpFile.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/ResourceDir.h"

namespace gdi {
namespace {

// Skinned windows load their bitmaps for every paint: the files are read and parsed once per folder.
std::shared_ptr<const BmpImage> CachedImage(const std::filesystem::path& path) {
  static std::mutex mutex;
  static std::map<std::filesystem::path, std::shared_ptr<const BmpImage>> cache;
  {
    std::lock_guard lock(mutex);
    if (auto it = cache.find(path); it != cache.end()) return it->second;
  }
  std::string bytes;
  if (!mx::ReadWholeFile(path, bytes)) return nullptr;  // not cached: a file that appears later is found
  auto image = ParseBmp(bytes);
  if (!image) return nullptr;
  auto shared = std::make_shared<const BmpImage>(std::move(*image));
  std::lock_guard lock(mutex);
  cache.emplace(path, shared);
  return shared;
}

HBITMAP BitmapFromFile(const std::filesystem::path& path, UINT id) {
  auto image = CachedImage(path);
  if (!image) return nullptr;
  HBITMAP bmp = win::CreateBitmap(image->width, image->height, 1, 32, nullptr);
  auto surface = GetBitmapSurface(bmp);
  if (!surface) return nullptr;
  surface->SetPixels(image->pixels);
  SetBitmapResourceId(bmp, id);
  return bmp;
}

// strings.txt: one "id<TAB>text" per line (id decimal or 0x hex), UTF-8; "\n" and "\t" are escapes.
std::map<UINT, std::wstring> ReadStrings(const std::filesystem::path& path) {
  std::map<UINT, std::wstring> out;
  std::string bytes;
  if (!mx::ReadWholeFile(path, bytes)) return out;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
    std::string key = line.substr(0, tab);
    int base = 10;
    if (key.rfind("0x", 0) == 0 || key.rfind("0X", 0) == 0) {
      key = key.substr(2);
      base = 16;
    }
    UINT id = 0;
    auto [p, ec] = std::from_chars(key.data(), key.data() + key.size(), id, base);
    if (ec != std::errc() || p != key.data() + key.size()) continue;
    std::string text;
    for (size_t i = tab + 1; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == 'n' || line[i + 1] == 't' || line[i + 1] == '\\')) {
        text.push_back(line[i + 1] == 'n' ? '\n' : line[i + 1] == 't' ? '\t' : '\\');
        ++i;
      } else {
        text.push_back(line[i]);
      }
    }
    out[id] = mx::Utf8ToWide(text);
  }
  return out;
}

}  // namespace

HBITMAP LoadBitmapResource(UINT id) { return BitmapFromFile(ResourceDir() / "bitmaps" / (std::to_string(id) + ".bmp"), id); }

HBITMAP LoadIconBitmap(UINT id) { return BitmapFromFile(ResourceDir() / "icons" / (std::to_string(id) + ".bmp"), id); }

std::optional<std::wstring> LoadStringResource(UINT id) {
  static std::mutex mutex;
  static std::map<std::filesystem::path, std::map<UINT, std::wstring>> cache;
  std::lock_guard lock(mutex);
  auto path = ResourceDir() / "strings.txt";
  auto it = cache.find(path);
  if (it == cache.end()) it = cache.emplace(path, ReadStrings(path)).first;
  auto s = it->second.find(id);
  if (s == it->second.end()) return std::nullopt;
  return s->second;
}

std::optional<std::string> LoadResourceFile(const std::string& folder, UINT id, const std::string& extension) {
  std::string bytes;
  if (!mx::ReadWholeFile(ResourceDir() / folder / (std::to_string(id) + "." + extension), bytes)) return std::nullopt;
  return bytes;
}

}  // namespace gdi
