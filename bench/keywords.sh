#!/usr/bin/env bash
# `pixaldo-cli set-iptc --add-keyword` on 500 photos in one call, next to
# `exiftool -overwrite_original -Keywords+=` on the same files (bar: 0.1×).
# Every run starts from fresh copies of the four small camera files.
#   bench/keywords.sh [FILES]   (default 500; settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
count="${1:-500}"
cli=$(bench_cli)
photos=$(bench_photos)
mkdir -p "$bench_work/files"
files=()
for ((i = 0; i < count; i++)); do files+=("$bench_work/files/p$i.jpg"); done
fresh_copies() {
  local i
  for ((i = 0; i < count; i++)); do cp "$photos/small$((i % 4 + 1)).jpg" "${files[i]}"; done
}
bench_pair "add a keyword, $count files" 0.1 fresh_copies -- "$cli" set-iptc --add-keyword "Harbour" "${files[@]}" -- \
  exiftool -q -overwrite_original "-Keywords+=Harbour" "${files[@]}"
