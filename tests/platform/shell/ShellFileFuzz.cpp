// Fuzz driver for the two readers of untrusted files in the shell layer: .lnk files (ParseShellLink) and the
// version resource of PE images (ExtractVersionResource, then VerQueryValue on the block). Seeds are links
// written by LinkBuilder and the fixture's real PE files; mutations flip bytes, cut the data and plant
// boundary values in 16- and 32-bit fields. A crash or a sanitizer report is a failure; so is a
// VerQueryValue answer that points outside its block.
//   shellfile_fuzz [--iterations N] [--seconds S] [--seed N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/shell/LinkBuilder.h"
#include "platform/shell/ShellLink.h"
#include "platform/shell/VersionInfo.h"
#include "support/TestPaths.h"
#include "support/BinaryMutator.h"

namespace {

std::string Mutate(const std::string& s, std::mt19937& rng) { return mxtest::MutateBinary(s, rng, {0x4C, 0x10, 0x14, 0x1C, 0x24, 0x314}); }

bool CheckBlock(std::string_view raw) {
  std::vector<BYTE> block = mx::VersionBlockFromResource(raw);
  const BYTE* begin = block.data();
  const BYTE* end = begin + block.size();
  const wchar_t* queries[] = {L"\\", L"\\VarFileInfo\\Translation", L"\\StringFileInfo\\040904b0\\FileVersion",
                              L"\\StringFileInfo\\040904E4\\ProductVersion", L"\\StringFileInfo", L"\\\\x\\"};
  for (const wchar_t* q : queries) {
    void* value = nullptr;
    UINT len = 0;
    if (!win::VerQueryValue(block.data(), q, &value, &len)) continue;
    auto* p = static_cast<const BYTE*>(value);
    // Strings are answered from the room behind the raw resource (8-byte header, raw bytes padded to 4),
    // where they were widened; anything else points into the raw bytes.
    bool text = p >= begin + 8 + ((raw.size() + 3) & ~size_t{3});
    size_t bytes = text ? static_cast<size_t>(len) * sizeof(wchar_t) : len;
    if (p < begin || p + bytes > end || (text && std::wcslen(static_cast<const wchar_t*>(value)) + 1 != len)) {
      std::fprintf(stderr, "shellfile_fuzz: VerQueryValue(%ls) points outside its block\n", q);
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long iterations = -1, seconds = -1;
  unsigned seed = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--iterations")) iterations = std::atol(argv[i + 1]);
    if (!std::strcmp(argv[i], "--seconds")) seconds = std::atol(argv[i + 1]);
    if (!std::strcmp(argv[i], "--seed")) seed = static_cast<unsigned>(std::atol(argv[i + 1]));
  }
  if (iterations < 0 && seconds < 0) iterations = 20000;
  // Link targets may name environment variables: expand them against an empty machine, never the host's.
  mxtest::TempDir machine;
  mx::SetPrefixDir(machine.path());

  std::vector<std::string> links = {
      mxtest::LinkBuilder().localPath("C:\\Qzx\\", "agent.exe").network("\\\\SRV\\share").arguments(L"/x").build(),
      mxtest::LinkBuilder()
          .idList("C:\\", {{"PROGRA~1", L"Program Files"}, {"A.EXE", L"a.exe"}})
          .environment(L"%windir%\\a.exe")
          .build(),
  };
  std::vector<std::string> images, blocks;
  for (const char* file : {"windows/system32/msiexec.exe", "windows/syswow64/olepro32.dll",
                           "Program Files (x86)/Internet Explorer/iexplore.exe"}) {
    std::string image, block;
    if (!mx::ReadWholeFile(mxtest::FixtureDir() / "drive_c-files" / file, image)) continue;
    if (mx::ExtractVersionResource(image, block)) blocks.push_back(block);
    images.push_back(std::move(image));
  }
  if (images.empty() || blocks.empty()) {
    std::fprintf(stderr, "shellfile_fuzz: the fixture's PE files are missing\n");
    return 1;
  }

  std::mt19937 rng(seed);
  auto start = std::chrono::steady_clock::now();
  long done = 0;
  for (;; ++done) {
    if (iterations >= 0 && done >= iterations) break;
    if (seconds >= 0 && std::chrono::steady_clock::now() - start > std::chrono::seconds(seconds)) break;
    switch (done % 3) {
      case 0: {
        std::string bytes = Mutate(links[rng() % links.size()], rng);
        mx::ShellLinkData data;
        if (mx::ParseShellLink(bytes, data)) mx::ShellLinkTarget(data, SLGP_UNCPRIORITY);
        break;
      }
      case 1: {
        // Damage only the first 4 KB (headers, section table) or the resource area, where the reader walks.
        const std::string& image = images[rng() % images.size()];
        std::string head = Mutate(image.substr(0, 4096), rng);
        std::string damaged = head + image.substr(std::min<size_t>(4096, image.size()));
        std::string block;
        if (mx::ExtractVersionResource(damaged, block) && !CheckBlock(block)) return 1;
        break;
      }
      default:
        if (!CheckBlock(Mutate(blocks[rng() % blocks.size()], rng))) return 1;
        break;
    }
  }
  std::printf("shellfile_fuzz: %ld inputs, no failure\n", done);
  return 0;
}
