#!/usr/bin/env bash
# The desktop's thumbnail cache filled for a folder of 300 camera photos of
# 12 MP: `pixaldo-cli thumbnails --size large` from a cold cache next to
# `vipsthumbnail -s 256` on the same files in one process (bar 0.6×),
# `--size normal` next to `vipsthumbnail -s 128` (bar 0.4×), and the warm
# cache checked next to the cold run (bar 0.05×). The photos are links to
# one photo under 300 names: every name is its own cache entry, and every
# one is decoded, as 300 photos of a card would be.
#   bench/thumbnails.sh [COUNT]   (settings: see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bench_need vipsthumbnail
cli=$(bench_cli)
count="${1:-300}"
folder=$(bench_linked_folder card "$count")
export XDG_CACHE_HOME="$bench_work/cache"
vips_out="$bench_work/vips"
cold() { rm -rf "$XDG_CACHE_HOME" "$vips_out"; mkdir -p "$vips_out"; }
bench_pair "thumbnails large, $count × 12 MP, cold" 0.60 cold -- "$cli" thumbnails --size large "$folder" -- \
  vipsthumbnail -s 256 -o "$vips_out/%s.jpg" "$folder"/*.jpg
bench_pair "thumbnails normal, $count × 12 MP, cold" 0.40 cold -- "$cli" thumbnails --size normal "$folder" -- \
  vipsthumbnail -s 128 -o "$vips_out/%s.jpg" "$folder"/*.jpg
# Warm: the entries are there; the cold run of the same size beside it.
rm -rf "$XDG_CACHE_HOME"
"$cli" thumbnails --size large "$folder" >/dev/null
warm_cache="$bench_work/warm"
cp -a "$XDG_CACHE_HOME" "$warm_cache"
cold_cache="$bench_work/cold"
bench_pair "thumbnails large, $count, warm vs cold" 0.05 true -- \
  env XDG_CACHE_HOME="$warm_cache" "$cli" thumbnails --size large "$folder" -- \
  sh -c 'rm -rf "$1" && exec env XDG_CACHE_HOME="$1" "$2" thumbnails --size large "$3"' sh "$cold_cache" "$cli" "$folder"
