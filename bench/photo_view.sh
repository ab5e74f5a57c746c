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
  "$root/bench/release-build" "$build" OFF pixaldo-cli photo_view_bench
fi
cli="$build/pixaldo-cli"
steps="$build/bench/photo_view_bench"
for tool in djpeg convert /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup installs it)" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
picture="$work/big.jpg"
# Real photo detail, enlarged to 6000 × 4500, with a little sensor-like noise
# so that the file is as large as a camera's (about 7 MB), saved as a
# baseline 4:2:0 JPEG.
convert "${PIXALDO_TESTDATA:-$root/../shared/testdata}/photos/jolla.jpg" -resize '6000x4500!' \
  -attenuate 0.4 +noise Gaussian -sampling-factor 2x2 -quality 90 "$picture"
echo "picture: $(identify -format '%wx%h' "$picture"), $(stat -c %s "$picture") bytes"

# Runs a command RUNS times; prints the best wall-clock time and the mean
# processor time (user + system) in milliseconds. The machine may be busy
# with other work, which shows in the wall-clock times, hardly in the other.
measure() {
  local best="" cpu=0
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f "%e %U %S" -o "$work/run.txt" "$@" >/dev/null
    read -r wall user system <"$work/run.txt"
    local ms
    ms=$(awk -v w="$wall" 'BEGIN { printf "%d", w * 1000 }')
    if [[ -z "$best" || $ms -lt $best ]]; then best=$ms; fi
    cpu=$(awk -v c="$cpu" -v u="$user" -v s="$system" 'BEGIN { print c + (u + s) * 1000 }')
  done
  awk -v b="$best" -v c="$cpu" -v n="$runs" 'BEGIN { printf "%d %d\n", b, c / n }'
}

read -r render_wall render_cpu < <(measure "$cli" render "$picture" --panel 1600x1000 --filter 4)
read -r djpeg_wall djpeg_cpu < <(measure djpeg -outfile /dev/null "$picture")
"$cli" render "$picture" --panel 1600x1000 --filter 4
/usr/bin/time -v "$cli" render "$picture" --panel 1600x1000 --filter 4 --output "$work/shown.ppm" \
  2>"$work/time.txt" >/dev/null
rss_kb=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$work/time.txt")

# In-process steps: file name to display bitmap without the program start.
view_ms=$("$steps" "$picture" 1600 1000 4 "$runs" | tee "$work/steps.txt" | sed -n 's/.*whole view \([0-9.]*\) ms.*/\1/p')
cat "$work/steps.txt"

echo "view in process, processor time (file name to display bitmap, Lanczos): ${view_ms} ms"
echo "pixaldo-cli render, whole process: best wall ${render_wall} ms, mean processor ${render_cpu} ms"
echo "djpeg full-size decode, whole process: best wall ${djpeg_wall} ms, mean processor ${djpeg_cpu} ms"
awk -v v="$view_ms" -v rw="$render_wall" -v rc="$render_cpu" -v dw="$djpeg_wall" -v dc="$djpeg_cpu" 'BEGIN {
  printf "ratio to djpeg (target <= 1): view in process %.2f, render process wall %.2f, processor %.2f\n",
    v / dc, rw / dw, rc / dc }'
echo "peak resident memory of render: $((rss_kb / 1024)) MB (${rss_kb} kB; target < 48 MB)"
[[ $rss_kb -lt $((48 * 1024)) ]] || { echo "FAIL: peak memory 48 MB or more" >&2; exit 1; }
