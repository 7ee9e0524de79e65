#include "support/TestPrefix.h"

#include <fstream>
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
  // make-prefix.sh refuses an existing folder: build into a child, then use that as the prefix.
  std::filesystem::path built = dir_.path() / "prefix";
  MakeFixturePrefix(built);
  for (const auto& entry : std::filesystem::directory_iterator(built))
    std::filesystem::rename(entry.path(), dir_.path() / entry.path().filename());
  std::filesystem::remove(built);
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
