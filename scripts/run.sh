#!/usr/bin/env bash
# Builds the program and runs it on $WINEPREFIX, else ~/.wine, else the sample prefix that ships with the
# sources: with no word it opens its window; `scan` is the scheduled scan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
dir=build/app
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMX_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target mendrix
exec "$dir/bin/mendrix" "$@"
