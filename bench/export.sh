#!/usr/bin/env bash
# The directory database of 5,000 camera files: `pixaldo-cli export` to CSV
# next to `exiv2 -pa` printing the metadata of the same files (bar: 0.07×),
# and the XML export's peak memory against the size of the database it
# writes (bar: 1.5×). The files are copies of four camera-like photos.
#   bench/export.sh [FILES]   (default 5000; settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bench_need exiv2 python3
count="${1:-5000}"
cli=$(bench_cli)
photos=$(bench_photos)

folder="$bench_work/folder"
python3 - "$photos" "$folder" "$count" <<'PY'
import os, shutil, sys
source, folder, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
os.makedirs(folder)
for i in range(count):
    shutil.copyfile(os.path.join(source, f"small{i % 4 + 1}.jpg"), os.path.join(folder, f"{i:05d}.jpg"))
PY
cat "$folder"/* >/dev/null  # the page cache warmed for both tools

bench_pair "export CSV, $count files" 0.07 true -- "$cli" export "$folder" "$bench_work/db.txt" -- \
  exiv2 -pa "$folder"/*.jpg
rows=$(($(wc -l <"$bench_work/db.txt") - 1))
[[ $rows -eq $count ]] || { echo "the CSV database has $rows rows, expected $count" >&2; exit 1; }

bench_once "$cli" export "$folder" "$bench_work/db.xml"
size=$(stat -c %s "$bench_work/db.xml")
bench_row "export XML, $count files" "$(awk -v kb="$bench_kb" -v size="$size" \
  'BEGIN { printf "peak %.1f MB for a database of %.1f MB: %.2f×  bar 1.5", kb / 1024, size / 1048576, kb * 1024 / size }')"
