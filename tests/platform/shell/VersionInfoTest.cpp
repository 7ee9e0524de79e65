#include "platform/shell/VersionInfo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/system/FixturePrefixCache.h"
#include "platform/system/Wow64Redirection.h"
#include "support/TestPrefix.h"

namespace {

// What the program's version reader does: the first translation's FileVersion and the fixed version.
struct Versions {
  bool loaded = false;
  std::wstring fileVersion;
  std::wstring fixed;
  DWORD signature = 0;
};

Versions Read(const wchar_t* path) {
  Versions v;
  DWORD handle = 0;
  DWORD size = win::GetFileVersionInfoSize(path, &handle);
  if (size == 0) return v;
  std::vector<BYTE> block(size);
  if (!win::GetFileVersionInfo(path, handle, size, block.data())) return v;
  void* value = nullptr;
  UINT len = 0;
  if (!win::VerQueryValue(block.data(), L"\\VarFileInfo\\Translation", &value, &len) || len < 4) return v;
  v.loaded = true;
  auto* words = static_cast<const WORD*>(value);
  wchar_t query[64];
  std::swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", words[0], words[1]);
  if (win::VerQueryValue(block.data(), query, &value, &len)) v.fileVersion = static_cast<const wchar_t*>(value);
  if (win::VerQueryValue(block.data(), L"\\", &value, &len) && len >= sizeof(VS_FIXEDFILEINFO)) {
    auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    v.signature = fixed->dwSignature;
    wchar_t text[64];
    std::swprintf(text, 64, L"%u,%u,%u,%u", fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
                  fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF);
    v.fixed = text;
  }
  return v;
}

TEST(VersionInfo, FixturePeFilesMatchTheirKnownVersions) {
  mxtest::UseSharedFixture fixture;
  mx::ScopedFsRedirectionOff off;
  struct Case {
    const wchar_t* path;
    bool pe64;
    const wchar_t* fileVersion;  // nullptr: no version resource
    const wchar_t* fixed;
  };
  const Case cases[] = {
      {L"C:\\Program Files (x86)\\Internet Explorer\\iexplore.exe", false, L"9.0.8112.16421", L"9,0,8112,16421"},
      {L"C:\\Program Files\\Internet Explorer\\iexplore.exe", true, L"9.0.8112.16421", L"9,0,8112,16421"},
      {L"C:\\windows\\system32\\olepro32.dll", true, L"5.0.4522", L"5,0,4522,0"},
      {L"C:\\windows\\syswow64\\olepro32.dll", false, L"5.0.4522", L"5,0,4522,0"},
      {L"C:\\windows\\system32\\msiexec.exe", true, L"4.5.6001.22308", L"4,5,6001,22308"},
      {L"C:\\windows\\system32\\msxml2.dll", true, nullptr, nullptr},
      {L"C:\\windows\\syswow64\\msident.dll", false, nullptr, nullptr},
      {L"C:\\windows\\hh.exe", true, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    std::string label = mx::WideToUtf8(c.path);
    Versions v = Read(c.path);
    EXPECT_EQ(v.loaded, c.fileVersion != nullptr) << label;
    if (c.fileVersion) {
      EXPECT_EQ(v.fileVersion, c.fileVersion) << label;
      EXPECT_EQ(v.fixed, c.fixed) << label;
      EXPECT_EQ(v.signature, 0xFEEF04BDu) << label;
    } else {
      EXPECT_EQ(win::GetFileVersionInfoSize(c.path, nullptr), 0u) << label;
      EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND)) << label;
    }
    std::string image;
    ASSERT_EQ(mx::ReadWinFile(c.path, image), ERROR_SUCCESS) << label;
    EXPECT_EQ(mx::IsPe64(image), c.pe64) << label;
  }
  DWORD size = win::GetFileVersionInfoSize(L"C:\\windows\\system32\\olepro32.dll", nullptr);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(win::GetFileVersionInfo(L"C:\\windows\\system32\\olepro32.dll", 0, size, block.data()));
  void* value = nullptr;
  UINT len = 0;
  EXPECT_TRUE(win::VerQueryValue(block.data(), L"\\StringFileInfo\\040904B0\\ProductVersion", &value, &len) ||
              win::VerQueryValue(block.data(), L"\\StringFileInfo\\040904E4\\ProductVersion", &value, &len));
  EXPECT_FALSE(win::VerQueryValue(block.data(), L"\\StringFileInfo\\040904b0\\NoSuchName", &value, &len));
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(win::GetFileVersionInfoSize(L"C:\\windows\\system32\\nothing.dll", nullptr), 0u);
  EXPECT_EQ(win::GetFileVersionInfoSize(L"C:\\windows\\win.ini", nullptr), 0u);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_BAD_FORMAT));
}

TEST(VersionInfo, DamagedImagesNeverCrash) {
  std::string image;
  ASSERT_TRUE(mx::ReadWholeFile(mxtest::FixtureDir() / "drive_c-files/windows/system32/msiexec.exe", image));
  std::string block;
  ASSERT_TRUE(mx::ExtractVersionResource(image, block));
  // Every cut of the headers and resource area, and bytes overwritten at steps through the image.
  for (size_t n = 0; n < image.size(); n += (n < 4096 ? 1 : 509)) {
    std::string out;
    mx::ExtractVersionResource(std::string_view(image).substr(0, n), out);
  }
  for (size_t at = 0; at < image.size(); at += 97) {
    std::string damaged = image;
    for (size_t k = at; k < std::min(image.size(), at + 8); ++k) damaged[k] = static_cast<char>(0xFF - damaged[k]);
    std::string out;
    mx::ExtractVersionResource(damaged, out);
  }
  // A damaged version block behind good PE headers: queries fail or answer, never read past the block.
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  for (size_t at = 0; at < block.size(); at += 3) {
    std::string bad = block;
    bad[at] = static_cast<char>(0xFF);
    if (at + 1 < bad.size()) bad[at + 1] = static_cast<char>(0x7F);
    std::string patched = image;
    size_t where = patched.find(block);
    ASSERT_NE(where, std::string::npos);
    patched.replace(where, bad.size(), bad);
    prefix.createFile(L"C:\\bad.exe", patched);
    Read(L"C:\\bad.exe");
  }
}

}  // namespace
