// How the program scales with the registry: registries grown from the sample prefix by generated programs
// (1x to 16x its machine file), each scanned with all files present and again with every sixth program's
// files gone. Prints the scan's growth exponent against the registry's size, the cost per problem, the load
// and save of the sample's machine file against the floor of reading and splitting it, the editor's export of
// HKEY_LOCAL_MACHINE (time and peak memory), the memory of a loaded registry, and the first start on the
// sample prefix against a later one. Scan times are the scan worker's processor time (the machine is shared). Every scan's problems (the same ones, in the same order) are checked
// against the list recorded in tests/integration/golden/scale-results.txt; a change fails the run.
//
//   scale_bench            quick: 1x and 2x, what CI's bench-and-fuzz stage runs
//   scale_bench --full     1x, 2x, 4x, 8x and 16x, for the figures
//   scale_bench --sizes=1,4 --record   records the results of those sizes that have none recorded yet
//   --pairs=N              N pairs of scans, all files present and with problems (the full run takes nine to
//                          25, the quick one one)
// The scan's own pauses between entries run on a fake clock: they are counted and reported apart, not timed.
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "app/SamplePrefix.h"
#include "integration/GrownRegistry.h"
#include "integration/WholeScan.h"
#include "platform/base/Clock.h"
#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegExporter.h"
#include "platform/regedit/RegFileWriter.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "platform/registry/WineRegFile.h"
#include "scan/EngineMessages.h"
#include "scan/ScanManager.h"
#include "scan/support/CategoryTestUtil.h"
#include "support/TestPaths.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kProgramsPerSample = 670;  // about the sample's own machine file in generated programs
constexpr int kMissingEvery = 6;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// On a shared machine the wall clock measures the neighbours as much as the work.
double ProcessCpuSeconds() {
  struct timespec t {};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double ThreadCpuSeconds() {
  struct timespec t {};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

template <class F>
double Best(int runs, F&& f) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    f();
    best = std::min(best, Seconds(Clock::now() - start));
  }
  return best;
}

size_t HeapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

using wholescan::ReloadRegistry;

std::uintmax_t RegistryFilesSize(const fs::path& prefix) {
  std::uintmax_t total = 0;
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) total += fs::file_size(prefix / name);
  return total;
}

// The problems as the scan recorded them: categories in flag order, each in the order it found them.
struct ScanOutcome {
  double seconds = 0;     // processor time of the scan worker
  std::string all;        // every scan's processor time when several were taken, the best one above
  double wallSeconds = 0;
  int problems = 0;
  std::uint64_t digest = 0;
  size_t pauses = 0;
  double pauseSeconds = 0;
};

std::uint64_t Fnv(std::uint64_t h, std::string_view text) {
  for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  return h;
}

bool RunScan(ScanOutcome& out) {
  mx::FakeClock pauses;  // the categories' pauses between entries pass at once and are counted
  mx::SetClock(&pauses);
  CScanManager manager;
  const auto start = Clock::now();
  const double cpuStart = ProcessCpuSeconds(), ownStart = ThreadCpuSeconds();
  const UINT end = wholescan::RunScan(manager);
  // The worker's share: this thread only answers its messages (and spins on the fake clock at the end).
  out.seconds = (ProcessCpuSeconds() - cpuStart) - (ThreadCpuSeconds() - ownStart);
  out.wallSeconds = Seconds(Clock::now() - start);
  mx::SetClock(nullptr);
  if (end != WM_SCAN_COMPLETED) return false;
  out.problems = manager.GetProblemCount();
  std::uint64_t h = 14695981039346656037ull;
  for (const CategoryInfo& info : kCategoryTable) {
    const CCategory* category = manager.GetCategory(info.flag);
    if (!category) continue;
    for (const auto& p : category->m_arrProblems) {
      h = Fnv(h, mx::WideToUtf8(info.className) + "\t" + std::to_string(p->m_n32BitEntry) + "\t" +
                     std::to_string(p->EntryType) + "\t" + mx::WideToUtf8(p->Key) + "\t" + mx::WideToUtf8(p->ValueName) +
                     "\t" + mx::WideToUtf8(p->ValueData) + "\t" + mx::WideToUtf8(p->AlternateKey) + "\n");
    }
  }
  out.digest = h;
  // The categories pause 1 or 10 ms between entries; the wait for the worker's end polls every 5 ms.
  for (auto ms : pauses.sleeps()) {
    if (ms != 1 && ms != 10) continue;
    ++out.pauses;
    out.pauseSeconds += ms / 1000.0;
  }
  return true;
}

// Runs programs and waits for them: wall time and peak resident memory. A child's peak counts what its
// parent held before the child started its program, so children are started by a helper forked when this
// process is still small (Start, first thing in main).
class Spawner {
 public:
  struct Outcome {
    double seconds = 0, peakMb = 0;
    int ok = 0;
  };

  void Start() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      Serve(fds[1]);
      ::_exit(0);
    }
    ::close(fds[1]);
    if (pid > 0) fd_ = fds[0];
    else ::close(fds[0]);
  }

  ~Spawner() {
    if (fd_ >= 0) ::close(fd_);  // the helper sees the end and leaves
  }

  bool Run(const std::vector<std::string>& args, const std::vector<std::string>& env, double& seconds,
           double& peakMb) {
    if (fd_ < 0) return false;
    std::string request;
    for (const auto& a : args) request.append(a).push_back('\0');
    request.push_back('\0');
    std::vector<std::string> environment = env;
    for (char** e = environ; *e; ++e)
      if (std::strncmp(*e, "WINEPREFIX=", 11) != 0) environment.emplace_back(*e);
    for (const auto& e : environment) request.append(e).push_back('\0');
    const std::uint32_t size = static_cast<std::uint32_t>(request.size());
    Outcome out;
    if (!WriteAll(fd_, &size, sizeof size) || !WriteAll(fd_, request.data(), size) || !ReadAll(fd_, &out, sizeof out))
      return false;
    seconds = out.seconds;
    peakMb = out.peakMb;
    return out.ok != 0;
  }

 private:
  static bool WriteAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t n = ::write(fd, p, size);
      if (n <= 0) return false;
      p += n, size -= static_cast<size_t>(n);
    }
    return true;
  }
  static bool ReadAll(int fd, void* data, size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
      const ssize_t n = ::read(fd, p, size);
      if (n <= 0) return false;
      p += n, size -= static_cast<size_t>(n);
    }
    return true;
  }

  static void Serve(int fd) {
    for (std::uint32_t size = 0; ReadAll(fd, &size, sizeof size);) {
      std::string request(size, '\0');
      if (!ReadAll(fd, request.data(), size)) return;
      std::vector<char*> argv, envp;
      bool inEnv = false;
      for (size_t pos = 0; pos < request.size();) {
        const size_t end = request.find('\0', pos);
        if (end == pos && !inEnv) {
          inEnv = true;
        } else {
          (inEnv ? envp : argv).push_back(request.data() + pos);
        }
        pos = end + 1;
      }
      argv.push_back(nullptr);
      envp.push_back(nullptr);
      Outcome out;
      const auto start = Clock::now();
      pid_t pid = 0;
      if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        struct rusage usage {};
        if (wait4(pid, &status, 0, &usage) == pid) {
          out.seconds = Seconds(Clock::now() - start);
          out.peakMb = usage.ru_maxrss / 1024.0;
          out.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
      }
      if (!WriteAll(fd, &out, sizeof out)) return;
    }
  }

  int fd_ = -1;
};

Spawner g_spawner;
int g_pairs = 0;  // pairs of scans per size; 0: nine to 25 in the full run, one in the quick one

// Recorded results: "SIZE PROBLEMS DIGEST PROBLEMS DIGEST" (all files present, then with files missing).
using Recorded = std::map<int, std::string>;

fs::path RecordFile() { return fs::path(MX_SOURCE_DIR) / "tests/integration/golden/scale-results.txt"; }

Recorded ReadRecorded() {
  Recorded out;
  std::ifstream in(RecordFile());
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    int size = 0;
    fields >> size;
    std::string rest;
    std::getline(fields, rest);
    out[size] = rest;
  }
  return out;
}

// The file's own comment lines are kept as they are; a new file gets the explanation.
void WriteRecorded(const Recorded& results) {
  std::string text;
  std::ifstream in(RecordFile());
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] == '#') text += line + "\n";
  if (text.empty())
    text =
        "# The problems the scale benchmark's scans find on each grown registry (scale_bench --record adds sizes):\n"
        "# size, then with all files present and with every sixth program's files gone: problems and a digest\n"
        "# of the problem list in the order the scan recorded it.\n";
  for (const auto& [size, rest] : results) text += std::to_string(size) + rest + "\n";
  mx::WriteFileAtomic(RecordFile(), text);
}

std::string DigestText(const ScanOutcome& o) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, " %d %016llx", o.problems, static_cast<unsigned long long>(o.digest));
  return buffer;
}

struct SizeFigures {
  int size = 0;
  double systemMb = 0;
  ScanOutcome clean, broken;
  double pairDifference = 0;  // the median over the pairs of scans of the one with problems less the other
};

// Load and save of the sample's machine file against reading and splitting it into lines.
void SampleLoadAndSave(int runs) {
  const fs::path file = mxtest::FixtureDir() / "system.reg";
  std::string text;
  mx::ReadWholeFile(file, text);
  // The floor keeps its buffers from run to run: on a machine where a fresh page costs a fault into the
  // hypervisor, new buffers each time had made the floor itself some 17 ms, twenty times the work it stands for.
  std::string bytes;
  std::vector<std::string_view> lines;
  const double floor = Best(runs * 3, [&] {
    std::ifstream in(file, std::ios::binary);
    bytes.resize(static_cast<size_t>(fs::file_size(file)));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    lines.clear();
    for (size_t pos = 0; pos < bytes.size();) {
      size_t end = bytes.find('\n', pos);
      if (end == std::string::npos) end = bytes.size();
      lines.emplace_back(bytes.data() + pos, end - pos);
      pos = end + 1;
    }
    if (lines.empty()) std::abort();
  });
  // The load reads the file and builds its keys; freeing the keys of an earlier load is not part of it.
  double load = 1e9;
  for (int i = 0; i < runs; ++i) {
    mx::reg::WineRegFile parsed;
    const auto start = Clock::now();
    std::string loaded;
    mx::ReadWholeFile(file, loaded);
    parsed.Parse(loaded, L"system.reg", nullptr, nullptr, nullptr);
    load = std::min(load, Seconds(Clock::now() - start));
  }
  mx::reg::WineRegFile parsed;
  parsed.Parse(text, L"system.reg", nullptr, nullptr, nullptr);
  mxtest::TempDir dir;
  const fs::path out = dir.path() / "system.reg";
  const double save = Best(runs, [&] { mx::WriteFileAtomic(out, parsed.Format()); });
  const double writeFloor = Best(runs, [&] { mx::WriteFileAtomic(out, text); });
  std::printf("sample system.reg (%.1f MB): read-and-split floor %.2f ms\n", text.size() / 1e6, floor * 1e3);
  std::printf("  load %.2f ms = %.1fx the floor (at most 10x)\n", load * 1e3, load / floor);
  std::printf("  save %.2f ms = %.1fx the floor (at most 10x); writing the same bytes alone %.2f ms\n", save * 1e3,
              save / floor, writeFloor * 1e3);
}

// The first start on the sample prefix rebuilds it; a later one finds it.
void SamplePrefixFirstRun() {
  mxtest::TempDir home;
  const std::string homeText = home.path().string();
  const auto first = Clock::now();
  const MachinePrefix made = ChooseMachinePrefix(nullptr, homeText.c_str(), nullptr, mxtest::FixtureDir());
  const double firstSeconds = Seconds(Clock::now() - first);
  const auto later = Clock::now();
  const MachinePrefix found = ChooseMachinePrefix(nullptr, homeText.c_str(), nullptr, mxtest::FixtureDir());
  const double laterSeconds = Seconds(Clock::now() - later);
  std::printf("sample prefix: first start %.3f s, later start %.3f s: %.3f s more (at most 1 s)%s\n", firstSeconds,
              laterSeconds, firstSeconds - laterSeconds,
              made.dir.empty() || made.dir != found.dir ? " -- NOT MADE" : "");
}

bool MeasureSize(int size, bool full, SizeFigures& figures) {
  mxtest::TempDir dir;
  const fs::path prefix = dir.path() / "prefix";
  mxtest::MakeFixturePrefix(prefix);
  const int programs = (size - 1) * kProgramsPerSample;
  if (programs > 0) scalebench::GrowPrefix(prefix, programs);
  scalebench::DateBackAllFolders(prefix);
  wholescan::RemoveHostDrive(mx::Utf8ToWide(prefix.string()));
  mx::SetPrefixDir(prefix);
  figures.size = size;
  figures.systemMb = fs::file_size(prefix / "system.reg") / 1e6;
  const double filesMb = RegistryFilesSize(prefix) / 1e6;

  mx::reg::ResetRegistry();
  const size_t heapBefore = HeapInUse();
  ReloadRegistry();
  const double heapMb = (HeapInUse() - heapBefore) / 1e6;
  const double load = Best(full ? 3 : 1, ReloadRegistry);

  // The editor's export of HKEY_LOCAL_MACHINE: in this process on the loaded registry, and as its own
  // program for its peak memory (the load included).
  const fs::path exported = dir.path() / "hklm.reg";
  const double exportSeconds = Best(1, [&] {
    mx::RegFileWriter writer;
    mx::ExportRegKey(writer, HKEY_LOCAL_MACHINE, L"", KEY_WOW64_64KEY);
    mx::WriteFileAtomic(exported, writer.fileBytes());
  });
  double editorSeconds = 0, editorPeakMb = 0;
  const bool editorOk = g_spawner.Run({(fs::path(MX_BINARY_DIR) / "bin" / "regedit").string(), "/e", exported.string(),
                                  "HKEY_LOCAL_MACHINE"},
                                 {"WINEPREFIX=" + prefix.string()}, editorSeconds, editorPeakMb);

  std::printf("%2dx: system.reg %.1f MB, %d programs; registry files %.1f MB\n", size, figures.systemMb, programs,
              filesMb);
  std::printf("  load %.0f ms; heap of the loaded registry %.1f MB = %.1fx its files (at most 8x)\n", load * 1e3,
              heapMb, heapMb / filesMb);
  std::printf("  export of HKLM %.2f s (at most 2.5 s at 16x); the editor's export %.2f s, peak %.0f MB%s\n",
              exportSeconds, editorSeconds, editorPeakMb, editorOk ? "" : " -- FAILED");

  ApplyDefaultSettings();
  mxtest::ScanSettingsScope settings{wholescan::ProgramDefaults()};
  // Scans with all files present and with every sixth program's files gone, in pairs close in time. The full
  // run takes several pairs: the first scan of the program also pays its one-time start and the neighbours'
  // load only ever adds, so each kind's figure is its best scan and the cost per problem the difference of
  // the two best (more of the cheap small scans, whose difference is smallest: the fewest problems; at least
  // nine of the large ones, whose best of five still moved by a tenth of a second from run to run). The median
  // of the pairs' differences is shown beside it: how far the neighbours moved it.
  const int pairs = g_pairs > 0 ? g_pairs : !full ? 1 : size == 2 ? 25 : size == 4 ? 11 : 9;
  std::vector<double> differences;
  std::string cleanTimes, brokenTimes;
  for (int i = 0; i < pairs; ++i) {
    ScanOutcome clean, broken;
    if (!RunScan(clean) || (i > 0 && clean.digest != figures.clean.digest)) return false;
    scalebench::RemoveFilesOfEveryNth(prefix, programs, kMissingEvery);
    if (!RunScan(broken) || (i > 0 && broken.digest != figures.broken.digest)) return false;
    if (i + 1 < pairs) scalebench::RestoreFilesOfEveryNth(prefix, programs, kMissingEvery);
    if (i == 0 || clean.seconds < figures.clean.seconds) figures.clean = clean;
    if (i == 0 || broken.seconds < figures.broken.seconds) figures.broken = broken;
    differences.push_back(broken.seconds - clean.seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%s%.2f", i ? ", " : "", clean.seconds);
    cleanTimes += text;
    std::snprintf(text, sizeof text, "%s%.2f", i ? ", " : "", broken.seconds);
    brokenTimes += text;
  }
  if (pairs > 1) {
    figures.clean.all = " (best of " + cleanTimes + ")";
    figures.broken.all = " (best of " + brokenTimes + ")";
  }
  std::sort(differences.begin(), differences.end());
  figures.pairDifference = differences.size() % 2 ? differences[differences.size() / 2]
                                                  : (differences[differences.size() / 2 - 1] + differences[differences.size() / 2]) / 2;
  std::printf("  scan, all files present: %.2f s processor%s, %.2f s wall, %d problems (pauses apart: %zu, %.1f s)\n",
              figures.clean.seconds, figures.clean.all.c_str(), figures.clean.wallSeconds, figures.clean.problems,
              figures.clean.pauses, figures.clean.pauseSeconds);
  const int extra = figures.broken.problems - figures.clean.problems;
  std::printf("  scan with problems: %.2f s processor%s, %.2f s wall, %d problems (pauses apart: %zu, %.1f s)",
              figures.broken.seconds, figures.broken.all.c_str(), figures.broken.wallSeconds, figures.broken.problems,
              figures.broken.pauses, figures.broken.pauseSeconds);
  if (extra > 0) {
    std::printf("; %.1f us per problem", (figures.broken.seconds - figures.clean.seconds) / extra * 1e6);
    if (pairs > 1) std::printf(" (median of %d pairs' differences: %.1f us)", pairs, figures.pairDifference / extra * 1e6);
  }
  std::printf("\n");
  std::fflush(stdout);
  mx::reg::ResetRegistry();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  g_spawner.Start();
  std::vector<int> sizes = {1, 2};
  bool full = false, record = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--full") {
      full = true;
      sizes = {1, 2, 4, 8, 16};
    } else if (arg.rfind("--sizes=", 0) == 0) {
      sizes.clear();
      std::istringstream list(arg.substr(8));
      for (std::string item; std::getline(list, item, ',');) sizes.push_back(std::stoi(item));
    } else if (arg.rfind("--pairs=", 0) == 0) {
      g_pairs = std::max(1, std::stoi(arg.substr(8)));
    } else if (arg == "--record") {
      record = true;
    } else if (arg.rfind("--benchmark_", 0) != 0) {  // the bench-and-fuzz stage's options are not ours
      std::fprintf(stderr, "usage: scale_bench [--full] [--sizes=1,2,...] [--pairs=N] [--record]\n");
      return 2;
    }
  }
  const fs::path previousPrefix = mx::PrefixDir();
  std::printf("scale benchmark (%s)\n", full ? "full" : "quick");
  SampleLoadAndSave(full ? 20 : 5);
  SamplePrefixFirstRun();

  Recorded recorded = ReadRecorded();
  std::vector<SizeFigures> all;
  bool changed = false;
  for (int size : sizes) {
    SizeFigures figures;
    if (!MeasureSize(size, full, figures)) {
      std::printf("%dx: the scan did not complete\n", size);
      changed = true;
      continue;
    }
    all.push_back(figures);
    const std::string results = DigestText(figures.clean) + DigestText(figures.broken);
    if (!recorded.count(size)) {
      if (record) recorded[size] = results;
      std::printf("  results: none recorded for %dx%s\n", size, record ? "; recorded now" : "");
    } else if (recorded[size] != results) {
      std::printf("  results CHANGED: recorded%s, now%s\n", recorded[size].c_str(), results.c_str());
      changed = true;
    } else {
      std::printf("  results unchanged (same problems, same order)\n");
    }
  }
  mx::SetPrefixDir(previousPrefix);
  if (record) WriteRecorded(recorded);

  if (all.size() >= 2) {
    // Least squares of log(scan time) against log(registry size), over all sizes and over the grown ones
    // (where the generated programs, not the sample, make up most of the registry).
    auto slope = [&](size_t from, auto x, auto y) {
      double sx = 0, sy = 0, sxx = 0, sxy = 0, n = 0;
      for (size_t i = from; i < all.size(); ++i) {
        const double xi = std::log(x(all[i])), yi = std::log(y(all[i]));
        sx += xi, sy += yi, sxx += xi * xi, sxy += xi * yi, n += 1;
      }
      return n >= 2 ? (n * sxy - sx * sy) / (n * sxx - sx * sx) : 0.0;
    };
    auto exponent = [&](size_t from) {
      return slope(from, [](const SizeFigures& f) { return f.systemMb; },
                   [](const SizeFigures& f) { return f.clean.seconds; });
    };
    std::printf("scan growth exponent against system.reg size, all files present: %.2f (at most 1.15)\n",
                exponent(0));
    if (all.size() >= 3 && all[0].size == 1) {
      std::printf("  over the grown sizes only: %.2f\n", exponent(1));
      const auto& big = all.back();
      std::printf("  scan time per generated program: %.2f ms; the sample's own scan %.2f s\n",
                  (big.clean.seconds - all[0].clean.seconds) / ((big.size - 1) * kProgramsPerSample) * 1e3,
                  all[0].clean.seconds);
      // A program costs the scan more than its size in the sample's entries (it is mostly file references and
      // classes), which the exponent against size counts as growth; against the programs alone it is not.
      if (all[1].clean.seconds > all[0].clean.seconds)
        std::printf("  growth exponent of the scan's time beyond the sample's against the number of programs: %.2f\n",
                    slope(1, [](const SizeFigures& f) { return (f.size - 1.0) * kProgramsPerSample; },
                          [&](const SizeFigures& f) { return std::max(f.clean.seconds - all[0].clean.seconds, 1e-6); }));
    }
    double low = 1e9, high = 0;
    int unmeasured = 0;
    for (const auto& f : all) {
      const int extra = f.broken.problems - f.clean.problems;
      if (extra < 1000 || extra > 25000) continue;
      const double cost = (f.broken.seconds - f.clean.seconds) / extra;
      // The scan with problems came out no dearer: the machine's noise outweighed what the problems cost.
      if (cost <= 0) {
        std::printf("cost per problem at %dx: not measured in this run (the scan with problems took no longer)\n",
                    f.size);
        ++unmeasured;
        continue;
      }
      low = std::min(low, cost), high = std::max(high, cost);
    }
    if (high > 0)
      std::printf("cost per problem from 1,000 to 25,000 problems%s: %.1f to %.1f us, %.2fx (at most 1.5x)\n",
                  unmeasured > 0 ? ", over the sizes measured" : "", low * 1e6, high * 1e6, high / low);
  }
  return changed ? 1 : 0;
}
