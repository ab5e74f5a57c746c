#!/usr/bin/env bash
# The thumbnail grid on a folder of 2,000 photos of 12 MP (links to one
# photo under 2,000 names): the time from opening the folder to the first
# screen of thumbnails drawn with a cold and a warm cache (goal: 300 ms
# warm), and the memory after scrolling through the whole folder (goal:
# 250 MB). Builds a release tree with the GUI and runs offscreen.
#   bench/grid.sh [COUNT]   (settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build="$bench_root/build-bench-gui"
"$bench_root/bench/release-build" "$build" ON grid_bench
count="${1:-2000}"
folder=$(bench_linked_folder grid "$count")
export XDG_CACHE_HOME="$bench_work/cache"
rm -rf "$XDG_CACHE_HOME"
for state in cold warm; do
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/grid_bench" "$folder" "$state" | bench_rows
done
