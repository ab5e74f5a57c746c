#!/usr/bin/env bash
# The segment table of a 30 MB photo: `pixaldo-cli segments` next to
# `exiv2 -pS` (bar: 1.5×, peak memory at most 12 MB).
#   bench/segments.sh   (settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bench_need exiv2
cli=$(bench_cli)
photo="$(bench_photos)/30mb.jpg"
bench_pair "segments, $(($(stat -c %s "$photo") / 1048576)) MB photo" 1.5 true -- "$cli" segments "$photo" -- \
  exiv2 -pS "$photo"
((ours_kb <= 12 * 1024)) || echo "peak memory of segments above 12 MB: $ours_kb kB"
