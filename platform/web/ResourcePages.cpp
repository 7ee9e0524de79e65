#include "platform/web/ResourcePages.h"

#include <map>
#include <mutex>

#include "platform/base/FileIO.h"
#include "platform/gdi/ResourceDir.h"

namespace web {
namespace {

std::mutex g_mutex;
std::map<std::string, std::string>& Pages() {
  static std::map<std::string, std::string> pages;
  return pages;
}

std::string MimeTypeOf(const std::string& name) {
  auto dot = name.rfind('.');
  std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  for (auto& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext == "css") return "text/css";
  if (ext == "js") return "text/javascript";
  if (ext == "png") return "image/png";
  if (ext == "gif") return "image/gif";
  if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
  if (ext == "bmp") return "image/bmp";
  if (ext == "svg") return "image/svg+xml";
  return "text/html";
}

}  // namespace

bool IsSafeResourceName(const std::string& name) {
  if (name.empty() || name.size() > 255 || name[0] == '.') return false;
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
              c == '.';
    if (!ok) return false;
  }
  return true;
}

void RegisterResourcePage(const std::string& name, std::string data) {
  std::lock_guard lock(g_mutex);
  Pages()[name] = std::move(data);
}

void UnregisterResourcePage(const std::string& name) {
  std::lock_guard lock(g_mutex);
  Pages().erase(name);
}

std::optional<Resource> LoadResource(const std::string& path) {
  std::string name = path;
  while (!name.empty() && name[0] == '/') name.erase(0, 1);
  if (!IsSafeResourceName(name)) return std::nullopt;
  {
    std::lock_guard lock(g_mutex);
    auto it = Pages().find(name);
    if (it != Pages().end()) return Resource{it->second, MimeTypeOf(name)};
  }
  const auto dir = gdi::ResourceDir() / "html";
  for (const std::string& candidate : {name, name + ".htm", name + ".html"}) {
    std::string data;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(dir / candidate, ec)) continue;
    if (mx::ReadWholeFile(dir / candidate, data)) return Resource{std::move(data), MimeTypeOf(candidate)};
  }
  return std::nullopt;
}

}  // namespace web
