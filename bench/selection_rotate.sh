#!/usr/bin/env bash
# "Rotate by EXIF" on 200 sideways 12 MP photos: from the window's selection
# against `pixaldo-cli auto-rotate --jobs 2` (bar 1.10×), and the command line
# against the shell loop a user would write, jpegtran then exiftool for the
# orientation tag, one photo after another (bar 1.00×: faster).
#   bench/selection_rotate.sh [COUNT]   (settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bench_need jpegtran
count="${1:-200}"
build="${PIXALDO_BENCH_GUI_BUILD:-$bench_root/build-bench-gui}"
[[ -n "${PIXALDO_BENCH_GUI_BUILD:-}" ]] || "$bench_root/bench/release-build" "$build" ON selection_rotate_bench pixaldo-cli
cli="$build/pixaldo-cli"
sideways="$bench_work/sideways.jpg"
cp "$(bench_photos)/12mp.jpg" "$sideways"
exiftool -q -overwrite_original -Orientation#=6 "$sideways"
folder="$bench_work/card"
fresh() {
  rm -rf "$folder"
  mkdir -p "$folder"
  local i
  for ((i = 0; i < count; i++)); do cp "$sideways" "$(printf '%s/IMG_%04d.jpg' "$folder" "$i")"; done
  sync
}
loop() {
  local f
  for f in "$folder"/*.jpg; do
    jpegtran -copy all -rotate 90 -outfile "$f.tmp" "$f" && mv "$f.tmp" "$f"
    exiftool -q -overwrite_original -Orientation#=1 "$f"
  done
}
export -f loop
export folder
window=(env QT_QPA_PLATFORM=offscreen XDG_CACHE_HOME="$bench_work/cache" "$build/bench/selection_rotate_bench" "$folder")
cli_run=(bash -c "\"$cli\" auto-rotate --jobs 2 \"$folder\"/*.jpg")
# Each side once, checked: every photo is turned upright (the timed runs
# below do not look at what the commands left).
upright() { exiftool -q -q -n -s3 -Orientation "$folder"/*.jpg | grep -c '^1$' || true; }
for side in window cli_run; do
  fresh
  declare -n run="$side"
  "${run[@]}" >/dev/null || { echo "$side: the command failed" >&2; exit 1; }
  turned=$(upright)
  [[ $turned == "$count" ]] || { echo "$side: $turned of $count photos upright" >&2; exit 1; }
  unset -n run
done
echo "checked: window and cli each turn all $count photos upright"
bench_pair "Rotate by EXIF, $count × 12 MP: window / cli -j2" 1.10 fresh -- "${window[@]}" -- "${cli_run[@]}"
bench_pair "auto-rotate -j2 / shell loop, $count × 12 MP" 1.00 fresh -- "${cli_run[@]}" -- bash -c loop
