#!/usr/bin/env bash
# Photo view benchmark: a 27-megapixel JPEG (6000 × 4500) fitted into a
# 1600 × 1000 panel. Measures the time from the file name to the finished
# display bitmap (`pixaldo-cli render`) next to djpeg decoding the same file
# at full size, and the peak resident memory of render.
#
# usage: bench/photo_view.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  an optimised build holding pixaldo-cli and bench/photo_view_bench
#              (default: configured and built in build-bench/)
#   RUNS       timed runs of each program, the best is reported (default 5)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-}"
runs="${2:-5}"

if [[ -z "$build" ]]; then
  build="$root/build-bench"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DPIXALDO_BUILD_GUI=OFF -DPIXALDO_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" --target pixaldo-cli photo_view_bench -j2 >/dev/null
fi
cli="$build/pixaldo-cli"
steps="$build/bench/photo_view_bench"
for tool in djpeg convert /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup installs it)" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
picture="$work/big.jpg"
# Real photo detail, enlarged to 6000 × 4500 and saved as a baseline 4:2:0 JPEG.
convert "$root/../shared/testdata/photos/jolla.jpg" -resize '6000x4500!' \
  -sampling-factor 2x2 -quality 90 "$picture"
echo "picture: $(identify -format '%wx%h' "$picture"), $(stat -c %s "$picture") bytes"

# Best wall-clock time of RUNS runs of a command, in milliseconds.
best_ms() {
  local best=""
  for ((i = 0; i < runs; i++)); do
    local start end ms
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    if [[ -z "$best" || $ms -lt $best ]]; then best=$ms; fi
  done
  echo "$best"
}

render_ms=$(best_ms "$cli" render "$picture" --panel 1600x1000 --filter 4)
djpeg_ms=$(best_ms djpeg -outfile /dev/null "$picture")
"$cli" render "$picture" --panel 1600x1000 --filter 4
/usr/bin/time -v "$cli" render "$picture" --panel 1600x1000 --filter 4 --output "$work/shown.ppm" \
  2>"$work/time.txt" >/dev/null
rss_kb=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$work/time.txt")

# In-process steps: file name to display bitmap without the program start.
view_ms=$("$steps" "$picture" 1600 1000 4 "$runs" | tee "$work/steps.txt" | sed -n 's/.*whole view \([0-9.]*\) ms.*/\1/p')
cat "$work/steps.txt"

echo "view in process (file name to display bitmap, Lanczos): ${view_ms} ms"
echo "pixaldo-cli render, whole process:                      ${render_ms} ms"
echo "djpeg full-size decode, whole process:                  ${djpeg_ms} ms"
awk -v v="$view_ms" -v r="$render_ms" -v d="$djpeg_ms" 'BEGIN {
  printf "ratio view / djpeg: %.2f, render process / djpeg: %.2f (target <= 1)\n", v / d, r / d }'
echo "peak resident memory of render: $((rss_kb / 1024)) MB (${rss_kb} kB; target < 48 MB)"
[[ $rss_kb -lt $((48 * 1024)) ]] || { echo "FAIL: peak memory 48 MB or more" >&2; exit 1; }
