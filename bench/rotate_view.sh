#!/usr/bin/env bash
# The viewer's rotate-right command (jpegtran, new EXIF thumbnail, date put
# back, the picture shown turned in memory and painted) against jpegtran
# alone, on a copy of the 12 MP photo of the benchmark folder (or the photo
# given). Builds a release tree with the GUI and runs offscreen.
#   bench/rotate_view.sh [PHOTO]   (settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bench_short_runs
build="$bench_root/build-bench-gui"
"$bench_root/bench/release-build" "$build" ON rotate_view_bench next_photo_bench
photo="${1:-$(bench_photos)/12mp.jpg}"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/rotate_view_bench" "$photo" "$bench_rounds" | bench_rows
