#!/usr/bin/env bash
# A loop of `pixaldo-cli summary`, one process per file, over 300 files, next
# to the same loop of `exiv2 -pa` (bar: 0.9×): mostly the cost of starting.
#   bench/summary.sh [FILES]   (default 300; settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bench_need exiv2
count="${1:-300}"
cli=$(bench_cli)
photos=$(bench_photos)
for ((i = 0; i < count; i++)); do echo "$photos/small$((i % 4 + 1)).jpg"; done >"$bench_work/list"
# One process per file, as a shell script would run them.
cat >"$bench_work/each" <<'SH'
#!/bin/sh
list="$1"; shift
while read -r file; do "$@" "$file" >/dev/null 2>&1; done <"$list"
SH
chmod +x "$bench_work/each"
bench_pair "summary loop, $count processes" 0.9 true -- "$bench_work/each" "$bench_work/list" "$cli" summary -- \
  "$bench_work/each" "$bench_work/list" exiv2 -pa
