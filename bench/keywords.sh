#!/usr/bin/env bash
# `pixaldo-cli set-iptc --add-keyword` on 500 photos in one call, next to
# `exiftool -overwrite_original -Keywords+=` on the same files (bar: 0.1×),
# every run on fresh copies. Two rows: the four small camera files (two with
# IPTC), and what a card holds: camera-like photos of 12 MP with EXIF,
# every other one with an IPTC caption already. Every write of ours flushes
# the whole new file to the disk before it replaces the old one, which
# exiftool does not: with photos of 4 MB the row measures the disk.
# Each row is followed by the floor under any rewrite of the same files:
# read, written beside, renamed, with no lock, no flush and nothing parsed.
#   bench/keywords.sh [FILES]   (default 500; settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
count="${1:-500}"
cli=$(bench_cli)
build=$(dirname "$cli")
[[ -x "$build/bench/rewrite_floor_bench" ]] || "$bench_root/bench/release-build" "$build" OFF rewrite_floor_bench >&2
photos=$(bench_photos)
mkdir -p "$bench_work/files"
exiftool -q -IPTC:Caption-Abstract="A photo, with a comma" -IPTC:Category=Tra -o "$bench_work/12mp-iptc.jpg" \
  "$photos/12mp.jpg"
files=()
for ((i = 0; i < count; i++)); do files+=("$bench_work/files/p$i.jpg"); done
sources=()
fresh_copies() {
  local i
  for ((i = 0; i < count; i++)); do cp "${sources[i % ${#sources[@]}]}" "${files[i]}"; done
}
# Each write waits for its flush to disk (exiftool flushes nothing), so the
# row runs many files at once to overlap those waits.
add_keyword_row() {
  bench_pair "add a keyword, $count $1" 0.1 fresh_copies -- "$cli" set-iptc --jobs 16 --add-keyword "Harbour" "${files[@]}" -- \
    exiftool -q -overwrite_original "-Keywords+=Harbour" "${files[@]}"
  bench_pair "  floor: bare rewrite, $count $1" - fresh_copies -- "$build/bench/rewrite_floor_bench" 16 "${files[@]}" -- \
    exiftool -q -overwrite_original "-Keywords+=Harbour" "${files[@]}"
}
sources=("$photos"/small{1,2,3,4}.jpg)
add_keyword_row "small files"
sources=("$photos/12mp.jpg" "$bench_work/12mp-iptc.jpg")
add_keyword_row "× 12 MP"
