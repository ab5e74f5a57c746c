#!/bin/sh
# The viewer's next photo, from the key press until it is painted, browsing
# copies of the 4032x3024 photo of ../shared/testdata/photos/ (or the photo
# given) at a human pace with and without the read-ahead; and a 50-megapixel
# photo made from it first shown, against djpeg -scale 1/8. Builds a release
# tree of its own and runs offscreen.
#   bench/next_photo.sh [PHOTO] [ROUNDS]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench-gui"
"$root/bench/release-build" "$build" ON next_photo_bench
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/next_photo_bench" "$@"
