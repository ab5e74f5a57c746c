#!/bin/sh
# The viewer's next-photo timing: from the key press that moves to the next
# photo until it is painted, on copies of ../shared/testdata/photos/ (or the
# folder given). Builds a release tree of its own and runs offscreen.
#   bench/next_photo.sh [FOLDER] [ROUNDS]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench-gui"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPIXALDO_BUILD_GUI=ON -DPIXALDO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target next_photo_bench >/dev/null
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/next_photo_bench" "$@"
