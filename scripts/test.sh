#!/usr/bin/env bash
# Builds the tree in DIR (default build/release) and runs every test in parallel.
#   scripts/test.sh [DIR] [extra cmake arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/release}
shift || true
bash scripts/install-deps.sh
args=("$@")
[ ${#args[@]} -eq 0 ] && args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
args+=(-DMX_BUILD_TESTS=ON)
cmake -S . -B "$dir" -G Ninja "${args[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
cd "$dir"
# MX_CTEST_JOBS and MX_CTEST_ARGS let CI run the slow sanitizer tree with fewer tests at once.
# shellcheck disable=SC2086
ctest -j "${MX_CTEST_JOBS:-$(( $(nproc) * 2 ))}" --output-on-failure --timeout 600 --no-tests=error ${MX_CTEST_ARGS:-}
