#!/usr/bin/env bash
# Thread checks: builds a small ThreadSanitizer tree holding only the test programs whose tests start
# threads, and runs each of them whole.
#   scripts/tsan.sh [DIR]      (default build/tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/tsan}

# Test programs to run under the thread checker; add yours to the list.
programs=(win_tests scan_ScanThreadTest notifier_tests)
# Programs they start as other processes.
helpers=(win_instance_helper)

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMX_TSAN=ON \
  -DMX_BUILD_BENCHMARKS=OFF -DMX_BUILD_FUZZERS=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "${programs[@]}" "${helpers[@]}"

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
# The thread checker needs the classic address layout on kernels with high mmap randomisation.
run=()
if command -v setarch >/dev/null && setarch "$(uname -m)" -R true 2>/dev/null; then run=(setarch "$(uname -m)" -R); fi
for p in "${programs[@]}"; do
  echo "tsan: $p"
  "${run[@]}" "$dir/bin/$p" --gtest_brief=1
done
echo "tsan: all passed"
