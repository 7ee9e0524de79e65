#include "app/SamplePrefix.h"

#include <unistd.h>

#include <system_error>

#include "platform/base/PrefixManifest.h"

namespace {

bool Set(const char* value) { return value && *value; }

}  // namespace

std::filesystem::path SamplePrefixHome(const char* home, const char* xdgDataHome) {
  const std::filesystem::path data = Set(xdgDataHome) ? std::filesystem::path(xdgDataHome)
                                                      : std::filesystem::path(Set(home) ? home : "/") / ".local" / "share";
  return data / "mendrix" / "sample-prefix";
}

MachinePrefix ChooseMachinePrefix(const char* winePrefix, const char* home, const char* xdgDataHome,
                                  const std::filesystem::path& sampleSource) {
  MachinePrefix out;
  if (Set(winePrefix)) {
    out.dir = winePrefix;
    out.source = MachinePrefix::Source::Environment;
    return out;
  }
  std::error_code ec;
  const std::filesystem::path wine = std::filesystem::path(Set(home) ? home : "/") / ".wine";
  if (std::filesystem::exists(wine / "system.reg", ec)) {
    out.dir = wine;
    out.source = MachinePrefix::Source::Home;
    return out;
  }

  out.source = MachinePrefix::Source::Sample;
  const std::filesystem::path dest = SamplePrefixHome(home, xdgDataHome);
  if (std::filesystem::exists(dest / "system.reg", ec)) {
    out.dir = dest;
    return out;
  }
  if (!std::filesystem::exists(sampleSource / "drive_c-manifest.txt", ec)) {
    out.error = "no Wine prefix at " + wine.string() + " and no sample prefix at " + sampleSource.string();
    return out;
  }
  // A folder left by an earlier rebuild that did not finish is not a prefix: it goes.
  std::filesystem::remove_all(dest, ec);
  std::filesystem::create_directories(dest.parent_path(), ec);
  const std::filesystem::path staging = dest.string() + ".part-" + std::to_string(::getpid());
  std::filesystem::remove_all(staging, ec);
  std::string why;
  if (!mx::MakePrefixFromManifest(staging, sampleSource, mx::PrefixCopyOptions{}, &why)) {
    std::filesystem::remove_all(staging, ec);
    out.error = "could not rebuild the sample prefix into " + dest.string() + ": " + why;
    return out;
  }
  std::filesystem::rename(staging, dest, ec);
  if (ec) {
    std::filesystem::remove_all(staging, ec);
    // Another start may have renamed its copy into place first; that one is as good.
    if (!std::filesystem::exists(dest / "system.reg", ec)) {
      out.error = "could not move the sample prefix into " + dest.string();
      return out;
    }
  }
  out.dir = dest;
  return out;
}
