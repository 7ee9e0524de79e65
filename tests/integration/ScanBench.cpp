// Speed of the whole scan on the sample prefix against its floor: loading the three registry files and a
// plain walk of every key and value of both views. The full scan reports its ratio to that floor
// (scan / (load + walk)), from the best of its runs and of the floor's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "app/AppSettings.h"
#include "integration/WholeScan.h"
#include "platform/base/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "scan/EngineMessages.h"
#include "scan/ScanManager.h"
#include "scan/support/CategoryTestUtil.h"
#include "platform/base/Prefix.h"
#include "support/TestPaths.h"

namespace {

using Clock = std::chrono::steady_clock;

// The sample prefix, rebuilt on first use and removed before the program's own statics go (the registry is
// one of them).
std::unique_ptr<mxtest::TempDir> g_folder;
std::filesystem::path g_previousPrefix;

std::filesystem::path Prefix() {
  if (!g_folder) {
    g_previousPrefix = mx::PrefixDir();
    g_folder = std::make_unique<mxtest::TempDir>();
    mxtest::MakeFixturePrefix(g_folder->path() / "prefix");
    mx::SetPrefixDir(g_folder->path() / "prefix");
    wholescan::RemoveHostDrive(mx::Utf8ToWide((g_folder->path() / "prefix").string()));
  }
  return g_folder->path() / "prefix";
}

using wholescan::ReloadRegistry;

void Walk(HKEY key, REGSAM view, size_t& keys, size_t& values) {
  ++keys;
  wchar_t name[16384];
  static BYTE data[1 << 20];
  for (DWORD i = 0;; ++i) {
    DWORD cch = 16384, cb = sizeof data, type = 0;
    if (win::RegEnumValue(key, i, name, &cch, nullptr, &type, data, &cb) != ERROR_SUCCESS) break;
    ++values;
  }
  for (DWORD i = 0;; ++i) {
    DWORD cch = 256;
    if (win::RegEnumKeyEx(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY child = nullptr;
    if (win::RegOpenKeyEx(key, name, 0, KEY_READ | view, &child) == ERROR_SUCCESS) {
      Walk(child, view, keys, values);
      win::RegCloseKey(child);
    }
  }
}

void WalkBothViews(size_t& keys, size_t& values) {
  keys = values = 0;
  for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    for (HKEY rootKey : {HKEY_LOCAL_MACHINE, HKEY_USERS}) {
      HKEY root = nullptr;
      if (win::RegOpenKeyEx(rootKey, L"", 0, KEY_READ | view, &root) != ERROR_SUCCESS) continue;
      Walk(root, view, keys, values);
      win::RegCloseKey(root);
    }
  }
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The best load and the best walk seen so far, for the scan's ratio.
double g_bestLoad = 1e9, g_bestWalk = 1e9;

void BM_LoadRegistryFiles(benchmark::State& state) {
  Prefix();
  for (auto _ : state) {
    const auto start = Clock::now();
    ReloadRegistry();
    g_bestLoad = std::min(g_bestLoad, Seconds(Clock::now() - start));
  }
}
BENCHMARK(BM_LoadRegistryFiles)->Unit(benchmark::kMillisecond);

void BM_WalkBothViews(benchmark::State& state) {
  Prefix();
  size_t keys = 0, values = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    WalkBothViews(keys, values);
    g_bestWalk = std::min(g_bestWalk, Seconds(Clock::now() - start));
  }
  state.counters["keys"] = static_cast<double>(keys);
  state.counters["values"] = static_cast<double>(values);
}
BENCHMARK(BM_WalkBothViews)->Unit(benchmark::kMillisecond);

void BM_FullScan(benchmark::State& state) {
  Prefix();
  ApplyDefaultSettings();
  mxtest::ScanSettingsScope settings{wholescan::ProgramDefaults()};
  double best = 1e9;
  int problems = 0;
  for (auto _ : state) {
    CScanManager manager;
    const auto start = Clock::now();
    if (wholescan::RunScan(manager) != WM_SCAN_COMPLETED) {
      state.SkipWithError("the scan did not complete");
      break;
    }
    best = std::min(best, Seconds(Clock::now() - start));
    problems = manager.GetProblemCount();
  }
  state.counters["problems"] = problems;
  state.counters["best_ms"] = best * 1000;
  if (g_bestLoad < 1e9 && g_bestWalk < 1e9) {
    state.counters["floor_ms"] = (g_bestLoad + g_bestWalk) * 1000;
    state.counters["ratio"] = best / (g_bestLoad + g_bestWalk);
  }
}
BENCHMARK(BM_FullScan)->Unit(benchmark::kMillisecond)->MinTime(0.5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_folder) {
    mx::SetPrefixDir(g_previousPrefix);
    g_folder.reset();
  }
  return 0;
}
