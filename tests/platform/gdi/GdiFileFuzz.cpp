// Fuzz driver for the readers of resource files: bitmap files (ParseBmp), dialog templates in text form
// (ParseDialogText) and in binary form (DecodeDialogTemplate), and menu texts (ParseMenuText). Seeds are
// well-formed files; mutations flip bytes, cut the data and plant boundary values. A crash or a sanitizer
// report is a failure; so is a bitmap whose pixel count is not its width times its height, or a template
// that does not read back the same after being written again.
//   gdifile_fuzz [--iterations N] [--seconds S] [--seed N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/gdi/BmpFile.h"
#include "platform/gdi/DialogTemplate.h"
#include "platform/gdi/Menu.h"
#include "support/BinaryMutator.h"

namespace {

std::string Mutate(const std::string& s, std::mt19937& rng) { return mxtest::MutateBinary(s, rng, {40, 54}); }

bool CheckBmp(const std::string& bytes) {
  auto img = gdi::ParseBmp(bytes);
  return !img || img->pixels.size() == static_cast<size_t>(img->width) * static_cast<size_t>(img->height);
}

bool CheckTemplate(const std::string& bytes) {
  std::vector<BYTE> b(bytes.begin(), bytes.end());
  auto d = gdi::DecodeDialogTemplate(b);
  if (!d) return true;
  auto again = gdi::DecodeDialogTemplate(gdi::EncodeDialogTemplate(*d));
  return again && again->items.size() == d->items.size() && again->caption == d->caption;
}

bool CheckText(const std::string& text) {
  if (auto d = gdi::ParseDialogText(text)) gdi::EncodeDialogTemplate(*d);
  if (HMENU m = gdi::ParseMenuText(text)) win::DestroyMenu(m);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long iterations = -1, seconds = 10;
  unsigned seed = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--iterations")) iterations = std::atol(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--seconds")) seconds = std::atol(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--seed")) seed = static_cast<unsigned>(std::atol(argv[i + 1]));
  }
  std::vector<std::string> bmps, templates, texts;
  bmps.push_back(gdi::EncodeBmp(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xABCDEF, 0}));
  bmps.push_back(gdi::EncodeBmp(1, 1, {0x808080}));
  for (const auto& e : std::filesystem::directory_iterator(MX_SOURCE_DIR "/res/dialogs")) {
    std::string text;
    if (!mx::ReadWholeFile(e.path(), text)) continue;
    texts.push_back(text);
    if (auto d = gdi::ParseDialogText(text)) {
      auto b = gdi::EncodeDialogTemplate(*d);
      templates.emplace_back(b.begin(), b.end());
    }
  }
  for (const auto& e : std::filesystem::directory_iterator(MX_SOURCE_DIR "/res/menus")) {
    std::string text;
    if (mx::ReadWholeFile(e.path(), text)) texts.push_back(text);
  }
  std::mt19937 rng(seed);
  const auto stop = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  long n = 0;
  for (; iterations < 0 ? std::chrono::steady_clock::now() < stop : n < iterations; ++n) {
    bool ok = true;
    switch (n % 3) {
      case 0: ok = CheckBmp(Mutate(bmps[rng() % bmps.size()], rng)); break;
      case 1: ok = CheckTemplate(Mutate(templates[rng() % templates.size()], rng)); break;
      default: ok = CheckText(Mutate(texts[rng() % texts.size()], rng)); break;
    }
    if (!ok) {
      std::fprintf(stderr, "gdifile_fuzz: broken invariant at iteration %ld (seed %u)\n", n, seed);
      return 1;
    }
  }
  std::printf("gdifile_fuzz: %ld inputs, no failure\n", n);
  return 0;
}
