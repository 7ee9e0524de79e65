#include "platform/base/PrefixManifest.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/base/FileIO.h"

namespace mx {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// Manifest paths are relative to drive_c; one that climbs out of it is a damaged manifest, never followed.
bool SafeRelative(const std::string& path) {
  if (path.empty() || path[0] == '/') return false;
  for (const auto& part : fs::path(path))
    if (part == "..") return false;
  return true;
}

// The recorded .update-timestamp value, from the manifest's header comment.
std::string UpdateTimestamp(const std::string& manifest) {
  static const std::string kMarker = ".update-timestamp = ";
  size_t at = manifest.find("# Prefix outside drive_c:");
  if (at == std::string::npos) return "disable";
  size_t end = manifest.find('\n', at);
  size_t mark = manifest.find(kMarker, at);
  if (mark == std::string::npos || mark > end) return "disable";
  mark += kMarker.size();
  size_t stop = mark;
  while (stop < manifest.size() && (std::isdigit(static_cast<unsigned char>(manifest[stop])) ||
                                    (manifest[stop] >= 'a' && manifest[stop] <= 'z')))
    ++stop;
  return stop > mark ? manifest.substr(mark, stop - mark) : "disable";
}

bool Build(const fs::path& dest, const fs::path& source, const PrefixCopyOptions& options, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  std::error_code ec;
  std::string manifest;
  const fs::path manifestFile = source / "drive_c-manifest.txt";
  if (!ReadWholeFile(manifestFile, manifest, &ec)) return fail("cannot read " + manifestFile.string());
  const fs::path drive = dest / "drive_c";
  fs::create_directories(drive, ec);
  if (ec) return fail("cannot create " + drive.string() + ": " + ec.message());
  fs::create_directories(dest / "dosdevices", ec);
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    fs::copy_file(source / name, dest / name, ec);
    if (ec) return fail("cannot copy " + (source / name).string() + ": " + ec.message());
  }
  {
    std::ofstream stamp(dest / ".update-timestamp", std::ios::binary);
    stamp << UpdateTimestamp(manifest) << '\n';
    if (!stamp) return fail("cannot write " + (dest / ".update-timestamp").string());
  }
  fs::create_directory_symlink("../drive_c", dest / "dosdevices" / "c:", ec);
  if (ec) return fail("cannot link dosdevices/c: " + ec.message());
  if (options.withZDrive) {
    fs::create_directory_symlink("/", dest / "dosdevices" / "z:", ec);
    if (ec) return fail("cannot link dosdevices/z: " + ec.message());
  }

  const fs::path real = source / "drive_c-files";
  const char* home = std::getenv("HOME");
  size_t lineNo = 0, start = 0;
  while (start < manifest.size()) {
    size_t end = manifest.find('\n', start);
    if (end == std::string::npos) end = manifest.size();
    std::string line = manifest.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    const auto fields = SplitTabs(line);
    const std::string where = manifestFile.string() + ":" + std::to_string(lineNo);
    if (fields.size() < 3 || fields[0].size() != 1 || !SafeRelative(fields[2])) return fail("bad manifest line " + where);
    const fs::path target = drive / fields[2];
    switch (fields[0][0]) {
      case 'd':
        fs::create_directories(target, ec);
        break;
      case 'l':
        if (options.keepSymlinks && fields.size() >= 4) {
          std::string link = fields[3];
          if (size_t at = link.find("$HOME"); at != std::string::npos) link.replace(at, 5, home ? home : "");
          fs::create_directories(target.parent_path(), ec);
          if (!ec) fs::create_symlink(link, target, ec);
        } else {
          fs::create_directories(target, ec);
        }
        break;
      case 'f': {
        fs::create_directories(target.parent_path(), ec);
        if (ec) break;
        const fs::path kept = real / fields[2];
        if (fs::is_regular_file(kept, ec)) {
          fs::copy_file(kept, target, ec);
        } else {
          std::ofstream(target, std::ios::binary);  // an empty placeholder
          if (!fs::exists(target, ec)) ec = std::make_error_code(std::errc::io_error);
          if (!ec && options.placeholderSizes) {
            char* tail = nullptr;
            unsigned long long size = std::strtoull(fields[1].c_str(), &tail, 10);
            if (tail && *tail == '\0') fs::resize_file(target, size, ec);
          }
        }
        break;
      }
      default:
        return fail("bad manifest line " + where);
    }
    if (ec) return fail("cannot create " + target.string() + " (" + where + "): " + ec.message());
  }
  return true;
}

}  // namespace

bool MakePrefixFromManifest(const fs::path& dest, const fs::path& source, const PrefixCopyOptions& options,
                            std::string* error) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(dest, ec))) {
    if (error) *error = dest.string() + " exists, refusing to overwrite";
    return false;
  }
  if (Build(dest, source, options, error)) return true;
  fs::remove_all(dest, ec);
  return false;
}

}  // namespace mx
