#!/usr/bin/env bash
# Runs the journey test on a private display and copies three of its pictures into docs/ for the README:
# the home screen, the problems view and the settings screen.
#   scripts/readme-pictures.sh [DIR]     (DIR: the build folder, default build/rel)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/rel}
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMX_BUILD_TESTS=ON >/dev/null
fi
cmake --build "$dir" --target program_journey_tests
renderings="$dir/ui-renderings"
rm -f "$renderings"/journey_*.png
"$dir/bin/program_journey_tests" --gtest_filter='JourneyTest.*'
mkdir -p docs
# The steps are numbered in the order the journey takes them; the pictures are picked by their step's name.
for step in home problems_view settings; do
  picture=$(find "$renderings" -maxdepth 1 -name "journey_[0-9][0-9]_${step}.png" | sort | head -n 1)
  if [ -z "$picture" ]; then
    echo "readme-pictures: the journey left no picture of its ${step} step" >&2
    exit 1
  fi
  cp "$picture" "docs/${step}.png"
  echo "docs/${step}.png <- $picture"
done
