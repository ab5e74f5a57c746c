#!/usr/bin/env bash
# Directory database benchmark: exports a directory of 1000 camera files
# (copies of the shared camera samples) as CSV and as XML with
# `pixaldo-cli export`, next to `exiv2 -pa` printing the metadata of the same
# files. Reports files per second; the CSV export should take at most half
# the time exiv2 needs.
#
# usage: bench/export.sh [BUILD_DIR] [RUNS] [FILES]
#   BUILD_DIR  an optimised build holding pixaldo-cli
#              (default: configured and built in build-bench-export/)
#   RUNS       timed runs of each command, the best is reported (default 5)
#   FILES      number of files in the directory (default 1000)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-}"
runs="${2:-5}"
count="${3:-1000}"

if [[ -z "$build" ]]; then
  build="$root/build-bench-export"
  "$root/bench/release-build" "$build" OFF pixaldo-cli
fi
cli="$build/pixaldo-cli"
command -v exiv2 >/dev/null || { echo "missing exiv2 (scripts/setup installs it)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
photos="$work/photos"
mkdir "$photos"
samples=("$root"/../shared/testdata/cameras/*.jp*g)
for ((i = 0; i < count; i++)); do
  sample="${samples[i % ${#samples[@]}]}"
  cp "$sample" "$photos/$(printf '%04d' "$i")_$(basename "$sample")"
done
echo "directory: $count files, $(du -sh "$photos" | cut -f1), from ${#samples[@]} camera samples"

# Best wall-clock time of RUNS runs of a command, in milliseconds (exit status ignored:
# exiv2 reports some of the damaged samples as errors).
best_ms() {
  local best=""
  for ((i = 0; i < runs; i++)); do
    local start end ms
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    if [[ -z "$best" || $ms -lt $best ]]; then best=$ms; fi
  done
  echo "$best"
}
rate() { awk -v n="$count" -v ms="$1" 'BEGIN { printf "%.0f", (ms > 0 ? n * 1000 / ms : 0) }'; }

# Warm the page cache once.
cat "$photos"/* >/dev/null

csv_ms=$(best_ms "$cli" export "$photos" "$work/db.txt")
xml_ms=$(best_ms "$cli" export "$photos" "$work/db.xml")
exiv2_ms=$(best_ms exiv2 -pa "$photos"/*.jpg)

rows=$(($(wc -l <"$work/db.txt") - 1))
[[ $rows -eq $count ]] || { echo "the CSV database has $rows rows, expected $count" >&2; exit 1; }

printf '%-28s %8s %10s\n' "command" "ms" "files/s"
printf '%-28s %8d %10s\n' "pixaldo-cli export (CSV)" "$csv_ms" "$(rate "$csv_ms")"
printf '%-28s %8d %10s\n' "pixaldo-cli export (XML)" "$xml_ms" "$(rate "$xml_ms")"
printf '%-28s %8d %10s\n' "exiv2 -pa" "$exiv2_ms" "$(rate "$exiv2_ms")"
if ((csv_ms * 2 <= exiv2_ms)); then
  echo "CSV export within half of exiv2's time: yes"
else
  echo "CSV export within half of exiv2's time: NO"
  exit 1
fi
