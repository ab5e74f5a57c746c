#!/bin/sh
# The viewer's rotate-right command (jpegtran, new EXIF thumbnail, date put
# back, picture reloaded and painted) against jpegtran alone, on a copy of
# the 4032x3024 photo of ../shared/testdata/photos/ (or the photo given).
# Builds a release tree of its own and runs offscreen.
#   bench/rotate_view.sh [PHOTO] [ROUNDS]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench-gui"
"$root/bench/release-build" "$build" ON rotate_view_bench
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/rotate_view_bench" "$@"
