#!/bin/sh
# The viewer's next-photo timing: from the key press that moves to the next
# photo until it is painted, on copies of ../shared/testdata/photos/ (or the
# folder given). Builds a release tree of its own and runs offscreen.
#   bench/next_photo.sh [FOLDER] [ROUNDS]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench-gui"
"$root/bench/release-build" "$build" ON next_photo_bench
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/next_photo_bench" "$@"
