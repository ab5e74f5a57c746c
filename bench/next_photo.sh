#!/usr/bin/env bash
# The viewer's next photo, from the key press until it is painted, browsing
# copies of the 12 MP photo of the benchmark folder (or the photo given) at
# a human pace with and without the read-ahead; and a 50 MP photo made from
# it first shown, against djpeg -scale 1/8. Builds a release tree with the
# GUI and runs offscreen.
#   bench/next_photo.sh [PHOTO]   (settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bench_need djpeg
build="$bench_root/build-bench-gui"
"$bench_root/bench/release-build" "$build" ON rotate_view_bench next_photo_bench
photo="${1:-$(bench_photos)/12mp.jpg}"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/next_photo_bench" "$photo" "$bench_rounds" | bench_rows
