// Speed of the registry: loading and saving the sample machine file, and walking every key and value of
// HKEY_LOCAL_MACHINE in both views through the Reg* calls.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "platform/registry/WineRegFile.h"

namespace {

std::filesystem::path Sample(const char* name) {
  return std::filesystem::path(MX_SOURCE_DIR) / "tests" / "data" / "wine-prefix" / name;
}

void BM_LoadSystemReg(benchmark::State& state) {
  for (auto _ : state) {
    std::string text;
    mx::ReadWholeFile(Sample("system.reg"), text);
    mx::reg::WineRegFile file;
    file.Parse(text, L"system.reg", nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(file.root.get());
  }
}
BENCHMARK(BM_LoadSystemReg)->Unit(benchmark::kMillisecond);

void BM_SaveSystemReg(benchmark::State& state) {
  std::string text;
  mx::ReadWholeFile(Sample("system.reg"), text);
  mx::reg::WineRegFile file;
  file.Parse(text, L"system.reg", nullptr, nullptr, nullptr);
  auto out = std::filesystem::temp_directory_path() / "mx-registry-bench.reg";
  for (auto _ : state) {
    std::string written = file.Format();
    mx::WriteFileAtomic(out, written);  // includes the flush to disk
  }
  std::filesystem::remove(out);
}
BENCHMARK(BM_SaveSystemReg)->Unit(benchmark::kMillisecond);

void Walk(HKEY key, size_t& keys, size_t& values) {
  ++keys;
  wchar_t name[16384];
  BYTE data[65536];
  for (DWORD i = 0;; ++i) {
    DWORD cch = 16384, cb = sizeof data, type = 0;
    if (win::RegEnumValue(key, i, name, &cch, nullptr, &type, data, &cb) != ERROR_SUCCESS) break;
    ++values;
  }
  for (DWORD i = 0;; ++i) {
    DWORD cch = 256;
    if (win::RegEnumKeyEx(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY child = nullptr;
    if (win::RegOpenKeyEx(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
      Walk(child, keys, values);
      win::RegCloseKey(child);
    }
  }
}

void BM_WalkMachineBothViews(benchmark::State& state) {
  mx::SetPrefixDir(Sample("system.reg").parent_path());  // read only: nothing is changed, nothing saved
  size_t keys = 0, values = 0;
  for (auto _ : state) {
    keys = values = 0;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      HKEY root = nullptr;
      win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"", 0, KEY_READ | view, &root);
      Walk(root, keys, values);
      win::RegCloseKey(root);
    }
  }
  state.counters["keys"] = static_cast<double>(keys);
  state.counters["values"] = static_cast<double>(values);
}
BENCHMARK(BM_WalkMachineBothViews)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
