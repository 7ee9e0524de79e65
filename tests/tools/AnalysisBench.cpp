// Speed of the hive analysis on the sample prefix against the registry's own save of its three files. The
// analysis writes a copy of every hive it compacts and measures it; its fixed pause before each copy is left
// out (a fake clock), so the figure is the work itself. Reported: analysis / save, from the best runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

#include "platform/base/Clock.h"
#include "platform/base/Prefix.h"
#include "platform/fs/DosDevices.h"
#include "platform/fs/Drives.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "support/TestPaths.h"
#include "tools/RegCompact.h"

namespace {

using Steady = std::chrono::steady_clock;

std::unique_ptr<mxtest::TempDir> g_folder;
double g_bestAnalysis = 1e30, g_bestSave = 1e30;

void UsePrefix() {
  if (g_folder) return;
  g_folder = std::make_unique<mxtest::TempDir>();
  mxtest::MakeFixturePrefix(g_folder->path() / "prefix");
  mx::SetPrefixDir(g_folder->path() / "prefix");
  mx::ResetDrives();
  mx::reg::SetAutoSaveDelay(std::chrono::milliseconds(0));
  mx::PublishHiveList();
}

void SetValue(HKEY root, const wchar_t* path, DWORD v) {
  HKEY key = nullptr;
  if (win::RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
  win::RegSetValueEx(key, L"BenchTick", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
  win::RegCloseKey(key);
}

void BM_RegistrySaveOfThreeFiles(benchmark::State& state) {
  UsePrefix();
  DWORD tick = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ++tick;
    SetValue(HKEY_LOCAL_MACHINE, L"Software\\BenchQzx", tick);
    SetValue(HKEY_CURRENT_USER, L"Software\\BenchQzx", tick);
    SetValue(HKEY_USERS, L".Default\\Software\\BenchQzx", tick);
    state.ResumeTiming();
    auto start = Steady::now();
    if (mx::reg::FlushRegistry() != ERROR_SUCCESS) state.SkipWithError("the registry could not be saved");
    g_bestSave = std::min(g_bestSave, std::chrono::duration<double, std::milli>(Steady::now() - start).count());
  }
}
BENCHMARK(BM_RegistrySaveOfThreeFiles)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_HiveAnalysis(benchmark::State& state) {
  UsePrefix();
  mx::FakeClock clock;
  mx::SetClock(&clock);
  int hives = 0;
  for (auto _ : state) {
    g_pRegCompact = new CRegCompact;
    auto start = Steady::now();
    CRegCompact::Analyze(nullptr, nullptr);
    g_bestAnalysis = std::min(g_bestAnalysis, std::chrono::duration<double, std::milli>(Steady::now() - start).count());
    hives = g_pRegCompact->m_nHives;
    state.PauseTiming();
    delete g_pRegCompact;
    g_pRegCompact = nullptr;
    state.ResumeTiming();
  }
  mx::SetClock(nullptr);
  state.counters["hives"] = hives;
}
BENCHMARK(BM_HiveAnalysis)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  if (g_bestSave < 1e29 && g_bestAnalysis < 1e29)
    std::printf("hive analysis %.2f ms, registry save of the three files %.2f ms: ratio %.2f (best runs)\n",
                g_bestAnalysis, g_bestSave, g_bestAnalysis / g_bestSave);
  benchmark::Shutdown();
  g_folder.reset();
  return 0;
}
