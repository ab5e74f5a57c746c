#!/usr/bin/env bash
# The photo view from the file name to the finished display bitmap
# (`pixaldo-cli render`, Lanczos): a 3 MP photo into a 1600×1000 panel next
# to `djpeg -scale 1/2` (bar: 1.25×), and a 12 MP photo into 960×720 next to
# `djpeg -scale 1/4` (bar: 1.05×) — the DCT scales each render decodes at;
# and the 12 MP photo marked Adobe RGB (EXIF ColorSpace "uncalibrated" with
# InteropIndex "R03", as cameras write it) next to the same photo untagged:
# the colour conversion for the screen may cost at most a tenth (bar: 1.10×).
#   bench/render.sh   (settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bench_need djpeg
bench_short_runs
cli=$(bench_cli)
photos=$(bench_photos)
bench_pair "render 3 MP into 1600×1000" 1.25 true -- "$cli" render "$photos/3mp.jpg" --panel 1600x1000 --filter 4 -- \
  djpeg -scale 1/2 -outfile /dev/null "$photos/3mp.jpg"
bench_pair "render 12 MP into 960×720" 1.05 true -- "$cli" render "$photos/12mp.jpg" --panel 960x720 --filter 4 -- \
  djpeg -scale 1/4 -outfile /dev/null "$photos/12mp.jpg"
adobe="$bench_work/12mp-adobe.jpg"
cp "$photos/12mp.jpg" "$adobe"
exiftool -q -overwrite_original -ColorSpace#=65535 -InteropIndex=R03 "$adobe"
bench_pair "render 12 MP Adobe RGB into 960×720" 1.10 true -- "$cli" render "$adobe" --panel 960x720 --filter 4 -- \
  "$cli" render "$photos/12mp.jpg" --panel 960x720 --filter 4
