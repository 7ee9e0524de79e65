#include "support/TestPrefix.h"

#include <unistd.h>

#include <fstream>
#include <functional>
#include <stdexcept>

#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegFileParser.h"
#include "platform/regedit/RegImporter.h"
#include "platform/registry/RegistryControl.h"

namespace mxtest {

namespace {

void WriteEmptyHive(const std::filesystem::path& file, const char* relativeTo, Arch arch) {
  std::string text = "WINE REGISTRY Version 2\n;; All keys relative to ";
  text += relativeTo;
  text += "\n\n#arch=";
  text += arch == Arch::Win64 ? "win64" : "win32";
  text += "\n";
  std::error_code ec;
  if (!mx::WriteFileAtomic(file, text, &ec)) throw std::runtime_error("cannot write " + file.string());
}

// Building the sample prefix takes seconds of shell work; ctest runs every test in its own process, so
// the result is kept once per fixture content under the temporary folder and each test copies it.
std::filesystem::path FixtureMaster() {
  std::string key;
  for (const char* name : {"make-prefix.sh", "drive_c-manifest.txt", "system.reg", "user.reg", "userdef.reg"}) {
    std::string bytes;
    if (!mx::ReadWholeFile(FixtureDir() / name, bytes)) throw std::runtime_error(std::string("cannot read ") + name);
    key += std::to_string(std::hash<std::string>{}(bytes)) + ".";
  }
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(FixtureDir() / "drive_c-files", ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file(ec)) key += it->path().string() + std::to_string(it->file_size(ec));
  std::filesystem::path master = std::filesystem::temp_directory_path() /
                                 ("mxtest-fixture-" + std::to_string(std::hash<std::string>{}(key)));
  if (std::filesystem::exists(master / "system.reg")) return master;
  // Built aside and renamed into place, so a test running at the same time never sees half a prefix.
  std::filesystem::path staging = master.string() + "." + std::to_string(::getpid());
  std::filesystem::remove_all(staging, ec);
  MakeFixturePrefix(staging);
  std::filesystem::rename(staging, master, ec);
  if (ec) std::filesystem::remove_all(staging, ec);  // another test was quicker; its copy is the same
  return master;
}

}  // namespace

TestPrefix::TestPrefix(Arch arch) {
  const auto& dir = dir_.path();
  WriteEmptyHive(dir / "system.reg", "REGISTRY\\\\Machine", arch);
  WriteEmptyHive(dir / "user.reg", "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000", arch);
  WriteEmptyHive(dir / "userdef.reg", "REGISTRY\\\\User\\\\.Default", arch);
  std::filesystem::create_directories(dir / "drive_c" / "windows" / "system32");
  if (arch == Arch::Win64) std::filesystem::create_directories(dir / "drive_c" / "windows" / "syswow64");
  std::filesystem::create_directories(dir / "dosdevices");
  std::filesystem::create_directory_symlink("../drive_c", dir / "dosdevices" / "c:");
  activate();
}

TestPrefix::TestPrefix(FixtureTag) {
  std::filesystem::path master = FixtureMaster();
  for (const auto& entry : std::filesystem::directory_iterator(master))
    std::filesystem::copy(entry.path(), dir_.path() / entry.path().filename(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
  activate();
}

TestPrefix TestPrefix::FromFixture() { return TestPrefix(FixtureTag{}); }

void TestPrefix::activate() {
  previous_ = mx::PrefixDir();
  mx::SetPrefixDir(dir_.path());
}

TestPrefix::~TestPrefix() { mx::SetPrefixDir(previous_); }

void TestPrefix::import(std::wstring_view regText) { importInView(regText, false); }
void TestPrefix::import32(std::wstring_view regText) { importInView(regText, true); }

void TestPrefix::importInView(std::wstring_view regText, bool view32) {
  mx::RegParseResult parsed = mx::ParseRegText(regText, {.headerOptional = true});
  if (!parsed.ok()) throw std::runtime_error("test .reg text: " + parsed.error);
  std::string error = mx::ApplyRegScript(parsed.script, view32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
  if (!error.empty()) throw std::runtime_error("test .reg text: " + error);
}

LONG TestPrefix::flush() { return mx::reg::FlushRegistry(); }

std::filesystem::path TestPrefix::hostPath(std::wstring_view windowsPath) const {
  if (windowsPath.size() < 2 || windowsPath[1] != L':' || (windowsPath[0] != L'C' && windowsPath[0] != L'c'))
    throw std::invalid_argument("TestPrefix paths are on drive C:");
  std::wstring rest(windowsPath.substr(2));
  for (auto& c : rest)
    if (c == L'\\') c = L'/';
  while (!rest.empty() && rest.front() == L'/') rest.erase(0, 1);
  return driveC() / mx::WideToUtf8(rest);
}

std::filesystem::path TestPrefix::createFile(std::wstring_view windowsPath, std::string_view content) {
  std::filesystem::path path = hostPath(windowsPath);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot create " + path.string());
  return path;
}

}  // namespace mxtest
