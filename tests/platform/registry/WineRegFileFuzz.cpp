// Fuzz driver for the Wine registry file loader: seeds (small hand-written files and slices of the sample
// prefix's files) are mutated with bytes and tokens of the format, then loaded. A crash or a sanitizer report
// is a failure; so is a loaded file whose written form does not load back to the same written form, or that
// loads back with complaints.
//   registry_fuzz [--iterations N] [--seconds S] [--seed N] [files to replay...]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/WineRegFile.h"

namespace {

const char* const kTokens[] = {
    "\\",       "\\\\",       "\"",          "[",       "]",         "\n",
    "\r\n",     "=",          "@=",          "\"a\"=",  "hex:",      "hex(",
    "hex(7):",  "):",         "str(",        "str(2):", "str(7):",   "dword:",
    "ffffffff", ",",          ",\\\n  ",     "\\x",     "\\xd83c",   "\\0",
    "\\377",    "\\e",        "#link\n",     "#time=",  "#class=\"", "#arch=win32\n",
    "\n[",      "] 123\n",    "\\\\",        "00,",     "\xff",      "\xc3\xa9",
    " ",        "1796903972", "Wow6432Node", "\t",
};

const char* const kSeeds[] = {
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n"
    "[Software\\\\A] 1796903972\n#time=1dd889deac71146\n@=\"x\\\"y\\\\z\\x3042\"\n\"n\"=dword:00000001\n",
    "WINE REGISTRY Version 2\n\n[K] 1\n#time=1\n#link\n\"SymbolicLinkValue\"=hex(6):5c,00,52,00\n"
    "\"m\"=str(7):\"a\\0b\\0\"\n\"e\"=str(2):\"%x%\"\n\"b\"=hex:01,02,\\\n  03\n[K\\\\C] 2\n#class=\"c\"\n",
    "WINE REGISTRY Version 2\n[] 1\n\"q\"=hex(b):01,00,00,00,00,00,00,00\n\"z\"=hex(ffff0011):\n",
};

std::vector<std::string> LoadSeeds(const char* sourceDir) {
  std::vector<std::string> seeds(std::begin(kSeeds), std::end(kSeeds));
  // Slices of the real files, each behind the real header.
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    std::string text;
    if (!mx::ReadWholeFile(std::string(sourceDir) + "/tests/data/wine-prefix/" + name, text)) continue;
    size_t header = text.find("\n\n[");
    if (header == std::string::npos) continue;
    for (size_t start = header; start < text.size() && seeds.size() < 400; start += text.size() / 97 + 1) {
      size_t from = text.find("\n[", start);
      if (from == std::string::npos) break;
      seeds.push_back(text.substr(0, header + 1) + text.substr(from, 1500));
    }
  }
  return seeds;
}

std::string Mutate(std::string s, std::mt19937& rng) {
  int edits = 1 + static_cast<int>(rng() % 8);
  for (int i = 0; i < edits; ++i) {
    size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
    switch (rng() % 6) {
      case 0:
        if (!s.empty() && at < s.size()) s[at] = static_cast<char>(rng());
        break;
      case 1:
        s.insert(at, kTokens[rng() % std::size(kTokens)]);
        break;
      case 2:
        if (at < s.size()) s.erase(at, 1 + rng() % 16);
        break;
      case 3:
        if (at < s.size()) {
          std::string piece = s.substr(at, 1 + rng() % 64);
          s.insert(rng() % (s.size() + 1), piece);
        }
        break;
      case 4:
        s.resize(at);
        break;
      default:
        s.insert(at, std::string(1 + rng() % 300, "0,f\\\"x"[rng() % 6]));
        break;
    }
  }
  return s;
}

// Loads text; a file that loads must write a form that loads to the same form, its damaged lines kept and
// none added.
bool Check(const std::string& text) {
  mx::reg::WineRegFile file;
  std::vector<std::wstring> warnings;
  std::wstring error;
  if (!file.Parse(text, L"fuzz.reg", nullptr, &warnings, &error)) return true;
  std::string written = file.Format();
  mx::reg::WineRegFile again;
  std::vector<std::wstring> warnings2;
  if (!again.Parse(written, L"written.reg", nullptr, &warnings2, &error) || warnings2.size() > warnings.size()) {
    std::fprintf(stderr, "written form does not load as the file did: %s\n",
                 warnings2.empty() ? mx::WideToUtf8(error).c_str() : mx::WideToUtf8(warnings2.back()).c_str());
    return false;
  }
  if (again.Format() != written) {
    std::fprintf(stderr, "written form changes when loaded again\n");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long iterations = -1;
  double seconds = 10;
  unsigned seed = 12345;
  std::vector<std::string> replay;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--iterations") && i + 1 < argc) {
      iterations = std::atol(argv[++i]);
    } else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc) {
      seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else {
      replay.push_back(argv[i]);
    }
  }
  if (!replay.empty()) {
    for (const auto& file : replay) {
      std::string text;
      if (!mx::ReadWholeFile(file, text) || !Check(text)) return 1;
    }
    return 0;
  }
  std::vector<std::string> seeds = LoadSeeds(MX_SOURCE_DIR);
  std::mt19937 rng(seed);
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  long done = 0;
  for (; iterations < 0 ? std::chrono::steady_clock::now() < end : done < iterations; ++done) {
    std::string input = Mutate(seeds[rng() % seeds.size()], rng);
    if (!Check(input)) {
      std::string path = "registry_fuzz-failure.reg";
      mx::WriteFileAtomic(path, input);
      std::fprintf(stderr, "failing input written to %s (iteration %ld)\n", path.c_str(), done);
      return 1;
    }
  }
  std::printf("registry_fuzz: %ld inputs, no failure\n", done);
  return 0;
}
