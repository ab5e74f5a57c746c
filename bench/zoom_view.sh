#!/usr/bin/env bash
# The photo view's zoom on a 24 MP photo in a 1600×1000 panel: Ctrl+1 from
# the fitted view to the first display bitmap at actual pixels, against
# djpeg decoding the same photo at full size (bar: 1.2×), and a pan step at
# actual pixels (bar: 8 ms), in processor time (user + system: on a shared
# machine of two cores the wall clock mostly measures the others' load); then the peak memory of a 110 MP photo shown
# at actual pixels and panned (bar: 400 MB), whose part seen is decoded
# alone because the whole would not fit the view's memory budget.
#   bench/zoom_view.sh   (settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bench_need djpeg
build="${PIXALDO_BENCH_BUILD:-$bench_root/build-bench}"
"$bench_root/bench/release-build" "$build" OFF zoom_view_bench >&2
program="$build/bench/zoom_view_bench"
photos=$(bench_photos)
[[ -e "$photos/24mp.jpg" ]] || bench_photo "$photos/24mp.jpg" 6000 4000 92 0.4
# ImageMagick's policy keeps its pictures small (it pages larger ones to disk
# and takes half an hour): the 110 MP photo is the 12 MP one tiled 3 × 3.
if [[ ! -e "$photos/100mp.jpg" ]]; then
  djpeg -pnm "$photos/12mp.jpg" | python3 -c '
import re, sys
data = sys.stdin.buffer.read()
header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+\d+\s", data)
width, height = int(header[1]), int(header[2])
pixels = memoryview(data)[header.end():]
out = sys.stdout.buffer
out.write(b"P6\n%d %d\n255\n" % (3 * width, 3 * height))
rows = [bytes(pixels[y * width * 3:(y + 1) * width * 3]) * 3 for y in range(height)]
for _ in range(3):
    out.writelines(rows)
' | cjpeg -quality 90 -sample 2x2 -outfile "$bench_work/100mp.jpg"
  mv "$bench_work/100mp.jpg" "$photos/100mp.jpg"
fi

"$program" "$photos/24mp.jpg" 1600 1000 "$bench_rounds" >"$bench_work/zoom.txt"
actual_ms=$(awk '/^actual/ { print $2 }' "$bench_work/zoom.txt")
pan_ms=$(awk '/^pan/ { print $2 }' "$bench_work/zoom.txt")
: >"$bench_work/djpeg.ms"
for ((round = 0; round < bench_rounds; round++)); do
  /usr/bin/time -f "%U %S" -o "$bench_work/djpeg.time" djpeg -outfile /dev/null "$photos/24mp.jpg"
  awk '{ printf "%.1f\n", ($1 + $2) * 1000 }' "$bench_work/djpeg.time" >>"$bench_work/djpeg.ms"
done
djpeg_ms=$(bench_median <"$bench_work/djpeg.ms")
ratio=$(awk -v a="$actual_ms" -v b="$djpeg_ms" 'BEGIN { printf "%.2f", a / b }')
bench_row "Ctrl+1 on 24 MP (fitted to 1:1)" "$(printf '%8.1f ms %8.1f ms  %5s×  bar 1.2' "$actual_ms" "$djpeg_ms" "$ratio")"
bench_row "pan step at 1:1, 24 MP" "$(printf '%8.2f ms %11s  bar 8 ms' "$pan_ms" "")"

bench_once "$program" "$photos/100mp.jpg" 1600 1000 1
[[ -s "$bench_work/stderr" ]] && cat "$bench_work/stderr" >&2
bench_row "110 MP at 1:1, peak memory" "$(printf '%8d MB %11s  bar 400 MB' "$((bench_kb / 1024))" "")"
