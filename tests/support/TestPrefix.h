#pragma once
// A throw-away Wine prefix for tests. Constructing one points the whole platform layer at it (mx::SetPrefixDir,
// which resets the registry); destroying it points the layer back at the previous prefix and removes the folder.
//
//   mxtest::TestPrefix prefix(mxtest::Arch::Win64);                  // empty registry, drive_c, dosdevices/c:
//   mxtest::TestPrefix fixture = mxtest::TestPrefix::FromFixture();  // the sample prefix, rebuilt
//   prefix.import(LR"(
//   [HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
//   "QzxAgent"="\"C:\\Qzx\\agent.exe\" /tray"
//   )");
//   prefix.createFile(L"C:\\Qzx\\agent.exe");
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/base/WinTypes.h"
#include "support/TestPaths.h"

namespace mxtest {

// #arch of the registry files: Win64 is a 64-bit prefix with the 32-bit (Wow6432Node) view, Win32 has one view.
enum class Arch { Win32, Win64 };

class TestPrefix {
 public:
  explicit TestPrefix(Arch arch = Arch::Win64);
  // The sample prefix of tests/data/wine-prefix (registry byte for byte, drive_c with placeholders).
  static TestPrefix FromFixture();
  ~TestPrefix();
  TestPrefix(const TestPrefix&) = delete;
  TestPrefix& operator=(const TestPrefix&) = delete;

  // Imports .reg text written without the "Windows Registry Editor Version 5.00" line (a header is accepted too)
  // into the 64-bit view (import) or the 32-bit view (import32), all or nothing. Throws std::runtime_error with
  // the parser's or the registry's message when the text does not apply, so a wrong test fixture fails loudly.
  void import(std::wstring_view regText);
  void import32(std::wstring_view regText);

  // Writes the registry held in memory to the prefix files (mx::reg::FlushRegistry).
  LONG flush();

  const std::filesystem::path& root() const { return dir_.path(); }
  std::filesystem::path driveC() const { return root() / "drive_c"; }
  // The host path of a Windows path on drive C: (backslashes become slashes; no case folding).
  std::filesystem::path hostPath(std::wstring_view windowsPath) const;
  // Creates the file (and its folders) with the given content; returns its host path.
  std::filesystem::path createFile(std::wstring_view windowsPath, std::string_view content = {});

 private:
  struct FixtureTag {};
  explicit TestPrefix(FixtureTag);
  void activate();
  void importInView(std::wstring_view regText, bool view32);

  TempDir dir_;
  std::filesystem::path previous_;
};

}  // namespace mxtest
