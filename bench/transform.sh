#!/usr/bin/env bash
# Lossless transforms of a 12 MP photo with a new EXIF thumbnail:
# `pixaldo-cli rotate-right` next to bare `jpegtran -copy all -rotate 90`, and
# `pixaldo-cli crop` next to bare `jpegtran -copy all -crop` (bars: 1.10×).
# Each run works on a fresh copy of the photo.
#   bench/transform.sh   (settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bench_need jpegtran
bench_short_runs
cli=$(bench_cli)
photo="$(bench_photos)/12mp.jpg"
copy="$bench_work/photo.jpg"
out="$bench_work/out.jpg"
fresh() { cp "$photo" "$copy"; rm -f "$out"; }
bench_pair "rotate-right + thumbnail, 12 MP" 1.10 fresh -- "$cli" rotate-right "$copy" --output "$out" -- \
  jpegtran -copy all -rotate 90 -outfile "$out" "$copy"
bench_pair "crop + thumbnail, 12 MP" 1.10 fresh -- "$cli" crop "$copy" 2400x1600+800+640 --output "$out" -- \
  jpegtran -copy all -crop 2400x1600+800+640 -outfile "$out" "$copy"
