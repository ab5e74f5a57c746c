#!/usr/bin/env bash
# Photo view benchmark: a 27-megapixel JPEG (6000 × 4500) fitted into a
# 1600 × 1000 panel. Measures the time from the file name to the finished
# display bitmap (`pixaldo-cli render`) next to djpeg decoding the same file
# at full size, and the peak resident memory of render.
#
# usage: bench/photo_view.sh [PIXALDO_CLI] [RUNS]
#   PIXALDO_CLI  an optimised pixaldo-cli (default: builds one in build-bench/)
#   RUNS         timed runs of each program, the best is reported (default 5)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-}"
runs="${2:-5}"

if [[ -z "$cli" ]]; then
  cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DPIXALDO_BUILD_GUI=OFF -DPIXALDO_BUILD_TESTS=OFF >/dev/null
  cmake --build "$root/build-bench" --target pixaldo-cli -j2 >/dev/null
  cli="$root/build-bench/pixaldo-cli"
fi
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

echo "render (file name to display bitmap, Lanczos): ${render_ms} ms"
echo "djpeg full-size decode:                        ${djpeg_ms} ms"
awk -v r="$render_ms" -v d="$djpeg_ms" 'BEGIN { printf "ratio render / djpeg: %.2f (target <= 1)\n", (d > 0 ? r / d : 0) }'
echo "peak resident memory of render: $((rss_kb / 1024)) MB (${rss_kb} kB; target < 48 MB)"
[[ $rss_kb -lt $((48 * 1024)) ]] || { echo "FAIL: peak memory 48 MB or more" >&2; exit 1; }
