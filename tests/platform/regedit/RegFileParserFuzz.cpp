// Random-mutation fuzzing of the .reg reader: mutates a few seed files and feeds each result to the reader,
// which must return a result or an error naming its line, never crash. Whatever it accepts must come back
// unchanged through the writer and the reader again.
//
//   regtext_fuzz [SECONDS] [SEED]     defaults: 20 seconds, seed from the clock
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "platform/regedit/RegFileParser.h"
#include "platform/regedit/RegFileWriter.h"

namespace {

std::vector<std::string> Seeds() {
  mx::RegFileWriter w;
  w.addKey(L"HKEY_LOCAL_MACHINE\\Software\\Qzx");
  std::vector<BYTE> blob(90);
  for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<BYTE>(i * 13);
  w.addValue(L"", REG_SZ, std::vector<BYTE>{'a', 0, '"', 0, '\\', 0, 0, 0});
  w.addValue(L"Count", REG_DWORD, std::vector<BYTE>{1, 2, 3, 4});
  w.addValue(L"Blob", REG_BINARY, blob);
  w.addValue(L"List", REG_MULTI_SZ, std::vector<BYTE>{'a', 0, 0, 0, 0, 0});
  w.addKey(L"HKEY_CURRENT_USER\\Software\\Qzx\\Empty");
  return {
      w.fileBytes(),
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Caf\xE9]\r\n\"a\"=\"b\\\\c\\\"\"\r\n@=hex(2):25,54,25,00\r\n"
      "\"x\"=-\r\n[-HKEY_CLASSES_ROOT\\.qzx]\r\n; note\r\n\"q\"=hex(b):01,02,03,04,\\\r\n  05,06,07,08\r\n",
  };
}

const char* const kTokens[] = {"[", "]", "[-", "\"", "\\", "=", "@", "-", ",", ",\\\r\n  ", "\r\n", "\n", "\r",
                               "dword:", "hex:", "hex(", "):", "HKEY_USERS\\", ";", "ff", "\0"};

std::string Mutate(std::string s, std::mt19937& rng) {
  int edits = 1 + static_cast<int>(rng() % 8);
  for (int e = 0; e < edits; ++e) {
    size_t pos = s.empty() ? 0 : rng() % (s.size() + 1);
    switch (rng() % 5) {
      case 0: if (pos < s.size()) s[pos] = static_cast<char>(rng()); break;
      case 1: if (pos < s.size()) s.erase(pos, 1 + rng() % 16); break;
      case 2: s.insert(pos, kTokens[rng() % std::size(kTokens)]); break;
      case 3: if (!s.empty()) { size_t from = rng() % s.size(); s.insert(pos, s.substr(from, 1 + rng() % 64)); } break;
      case 4: s.resize(pos); break;
    }
  }
  return s;
}

// The keys and values of a parsed file, written out and read back, must be what was read.
bool SurvivesRewrite(const mx::RegScript& script) {
  mx::RegFileWriter w;
  mx::RegScript kept;
  for (const auto& op : script) {
    if (op.kind == mx::RegOperationKind::CreateKey) {
      std::wstring name(mx::RegRootName(op.root));
      w.addKey(op.path.empty() ? name : name + L"\\" + op.path);
    } else if (op.kind == mx::RegOperationKind::SetValue) {
      w.addValue(op.valueName, op.type, op.data);
    } else {
      continue;
    }
    kept.push_back(op);
  }
  mx::RegParseResult again = mx::ParseRegFile(w.fileBytes());
  if (!again.ok() || again.script.size() != kept.size()) return false;
  for (size_t i = 0; i < kept.size(); ++i) {
    const auto& a = kept[i];
    const auto& b = again.script[i];
    if (a.kind != b.kind || a.root != b.root || a.path != b.path || a.valueName != b.valueName) return false;
    if (a.kind == mx::RegOperationKind::SetValue && (a.type != b.type || a.data != b.data)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
  unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10))
                           : static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::mt19937 rng(seed);
  const std::vector<std::string> seeds = Seeds();
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  long runs = 0, parsed = 0;
  while (std::chrono::steady_clock::now() < end) {
    for (int i = 0; i < 256; ++i, ++runs) {
      std::string input = Mutate(seeds[rng() % seeds.size()], rng);
      mx::RegParseResult r = mx::ParseRegFile(input);
      if (r.ok()) {
        ++parsed;
        if (!SurvivesRewrite(r.script)) {
          std::fprintf(stderr, "accepted input does not survive a rewrite (seed %u):\n%s\n", seed, input.c_str());
          return 1;
        }
      } else if (r.error.rfind("line ", 0) != 0) {
        std::fprintf(stderr, "error without a line number: %s (seed %u)\n", r.error.c_str(), seed);
        return 1;
      }
    }
  }
  std::printf("regtext_fuzz: %ld inputs, %ld parsed, seed %u\n", runs, parsed, seed);
  return 0;
}
