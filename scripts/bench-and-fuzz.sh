#!/usr/bin/env bash
# Short runs of every benchmark program and every fuzz driver of a build tree. Benchmarks only print their
# figures (no figure fails the run); a fuzz driver fails the run when it finds a crash or a broken invariant.
#   scripts/bench-and-fuzz.sh [BUILD_DIR] [FUZZ_SECONDS]
# Benchmark programs are the tree's bin/*_bench (Google Benchmark; scale_bench is a plain program that runs its
# quick mode here, 1x and 2x the sample registry, and takes the Google Benchmark option without using it). Fuzz drivers are listed below with their
# command line; add yours there. Each fuzz run is bounded by FUZZ_SECONDS (default 30, at most 60).
set -uo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/release}
seconds=${2:-30}
(( seconds > 60 )) && seconds=60
bin="$dir/bin"
if [ ! -d "$bin" ]; then
  echo "bench-and-fuzz: no build tree at $dir" >&2
  exit 1
fi

# Fuzz drivers: "program arguments..." ({S} is replaced by the time budget in seconds).
fuzzers=(
  "registry_fuzz --seconds {S}"
  "regtext_fuzz {S}"
  "xml_fuzz --seconds {S}"
  "shellfile_fuzz --seconds {S}"
  "gdifile_fuzz --seconds {S}"
)

status=0
shopt -s nullglob
for f in "$bin"/*_fuzz; do
  name=$(basename "$f")
  listed=0
  for entry in "${fuzzers[@]}"; do [ "${entry%% *}" = "$name" ] && listed=1; done
  [ $listed = 1 ] || echo "bench-and-fuzz: $name is not listed in scripts/bench-and-fuzz.sh; not run"
done
for b in "$bin"/*_bench; do
  echo "== benchmark $(basename "$b")"
  # Figures only: a slow machine must not fail CI.
  "$b" --benchmark_min_time=0.2 || echo "bench-and-fuzz: $(basename "$b") did not run to its end (ignored)"
done

for entry in "${fuzzers[@]}"; do
  read -r -a words <<<"${entry//\{S\}/$seconds}"
  prog="$bin/${words[0]}"
  [ -x "$prog" ] || continue
  echo "== fuzz ${words[*]}"
  # Failing inputs are written to the working folder; keep them out of the source tree.
  if ! (cd "$dir" && timeout --kill-after=10 $((seconds + 60)) "$PWD/bin/${words[0]}" "${words[@]:1}"); then
    echo "bench-and-fuzz: ${words[0]} FAILED" >&2
    status=1
  fi
done
exit $status
