# Shared by the benchmark scripts (sourced, not run): an optimised build,
# the test photos made at run time, and side-by-side timing of a command of
# ours against the tool a user would pick instead.
#
# Timing: ROUNDS interleaved rounds (the two commands alternate, the first
# one changing every round, so that a busy moment of the machine hits both),
# wall-clock medians, and the peak resident memory of each (GNU time's %M).
# Settings from the environment:
#   PIXALDO_BENCH_BUILD   an optimised build with pixaldo-cli (made when unset)
#   PIXALDO_BENCH_PHOTOS  a folder of photos made by bench_photos (default: build-bench/photos,
#                         kept between runs and made again when the way they are made changes)
#   PIXALDO_BENCH_ROUNDS  rounds per row (default 7; rows of short runs take more, see bench_short_runs)
#   PIXALDO_BENCH_TABLE   a file each row's result line is appended to

bench_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bench_rounds="${PIXALDO_BENCH_ROUNDS:-7}"
bench_work="$(mktemp -d)"
trap 'rm -rf "$bench_work"' EXIT

# For a script whose runs take a fraction of a second: three times the
# rounds. On a shared machine of two cores a run of 20–250 ms varies by a
# third from one run to the next (the host takes time away in bursts), and
# a median of a few rounds then wanders by more than the difference it is
# meant to show; the extra rounds cost a few seconds.
bench_short_runs() { bench_rounds=$((bench_rounds * 3)); }

bench_need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup installs it)" >&2; exit 1; }
  done
}
bench_need /usr/bin/time convert cjpeg exiftool

# The optimised command-line tool; prints its path.
bench_cli() {
  local build="${PIXALDO_BENCH_BUILD:-$bench_root/build-bench}"
  if [[ -z "${PIXALDO_BENCH_BUILD:-}" || ! -x "$build/pixaldo-cli" ]]; then
    "$bench_root/bench/release-build" "$build" OFF pixaldo-cli >&2
  fi
  echo "$build/pixaldo-cli"
}

# A camera-like JPEG: a drawn picture with sensor-like noise, compressed by
# cjpeg, then EXIF written by exiftool (camera fields, exposure, a thumbnail
# of 160 pixels).  bench_photo OUT WIDTH HEIGHT QUALITY NOISE
bench_photo() {
  local out="$1" width="$2" height="$3" quality="$4" noise="$5"
  local scratch="$bench_work/draw"
  convert -size "$((width / 4))x$((height / 4))" plasma:tan-steelblue -seed 5 -resize "${width}x${height}!" \
    -attenuate "$noise" +noise Gaussian "$scratch.ppm"
  cjpeg -quality "$quality" -sample 2x2 -outfile "$out" "$scratch.ppm"
  convert "$scratch.ppm" -resize 160x120 "$scratch-thumb.ppm"
  cjpeg -quality 80 -outfile "$scratch-thumb.jpg" "$scratch-thumb.ppm"
  exiftool -q -overwrite_original -Make=Pixaldo -Model="Bench Camera" -DateTimeOriginal="2024:05:17 10:11:12" \
    -ExposureTime=1/125 -FNumber=5.6 -ISO=200 -FocalLength=35 -FocalLengthIn35mmFormat=52 -Flash#=16 \
    -ExposureProgram#=2 -MeteringMode#=5 -ExposureCompensation=-0.3 -Orientation#=1 \
    "-ThumbnailImage<=$scratch-thumb.jpg" "$out"
  rm -f "$scratch.ppm" "$scratch-thumb.ppm" "$scratch-thumb.jpg"
}

# The photo folder (made once and shared by the scripts of one run): 12 MP,
# 3 MP and a 30 MB photo, and four small camera files, two with IPTC.
bench_photos() {
  local dir="${PIXALDO_BENCH_PHOTOS:-$bench_root/build-bench/photos}"
  # The recipe's fingerprint: photos made by another recipe are made again.
  local recipe
  recipe=$(declare -f bench_photo bench_photos | md5sum | cut -d' ' -f1)
  if [[ "$(cat "$dir/ready" 2>/dev/null)" != "$recipe" ]]; then
    mkdir -p "$dir"
    bench_photo "$dir/12mp.jpg" 4032 3024 92 0.4
    bench_photo "$dir/3mp.jpg" 2048 1536 92 0.4
    bench_photo "$dir/30mb.jpg" 4800 3600 100 3
    local i
    for i in 1 2 3 4; do
      bench_photo "$dir/small$i.jpg" 640 480 $((80 + i * 3)) 0.$i
    done
    exiftool -q -overwrite_original -IPTC:Category=Tra -IPTC:ObjectName="Bench" \
      -IPTC:Caption-Abstract="A photo, with a comma" "$dir/small2.jpg" "$dir/small4.jpg"
    echo "$recipe" >"$dir/ready"
  fi
  echo "$dir"
}

# A folder of COUNT names linked to the 12 MP photo (IMG_1.jpg ...): each
# name is a photo of its own to a cache keyed by name, with one copy on disk.
# Prints its path.  bench_linked_folder NAME COUNT
bench_linked_folder() {
  local photo="$bench_work/linked.jpg" folder="$bench_work/$1" i
  [[ -e "$photo" ]] || cp "$(bench_photos)/12mp.jpg" "$photo"  # on the folder's file system
  mkdir -p "$folder"
  for ((i = 1; i <= $2; i++)); do ln -f "$photo" "$folder/IMG_$i.jpg"; done
  echo "$folder"
}

# Runs a command once; sets bench_ms (wall clock) and bench_kb (peak memory).
bench_once() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$bench_work/peak" "$@" >/dev/null 2>"$bench_work/stderr" || true
  end=$(date +%s%N)
  bench_ms=$(awk -v ns="$((end - start))" 'BEGIN { printf "%.1f", ns / 1e6 }')
  bench_kb=$(tail -n 1 "$bench_work/peak")
}

bench_median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# bench_pair NAME BAR PREPARE -- OURS... -- PEER...
# Interleaved rounds of our command and the peer's; PREPARE (a shell
# function name or "true") runs before every single run (e.g. to put a fresh
# copy of a file in place). Prints and records the row: medians, ratio, bar,
# peak memory of both. Sets pair_ratio, ours_kb and peer_kb.
bench_pair() {
  local name="$1" bar="$2" prepare="$3"
  shift 4
  local ours=() peer=()
  while [[ $# -gt 0 && "$1" != "--" ]]; do ours+=("$1"); shift; done
  shift
  peer=("$@")
  : >"$bench_work/ours.ms"
  : >"$bench_work/peer.ms"
  ours_kb=0 peer_kb=0
  local round
  for ((round = 0; round < bench_rounds; round++)); do
    local order=(ours peer)
    ((round % 2)) && order=(peer ours)
    local who
    for who in "${order[@]}"; do
      "$prepare"
      if [[ $who == ours ]]; then
        bench_once "${ours[@]}"
        echo "$bench_ms" >>"$bench_work/ours.ms"
        ((bench_kb > ours_kb)) && ours_kb=$bench_kb
      else
        bench_once "${peer[@]}"
        echo "$bench_ms" >>"$bench_work/peer.ms"
        ((bench_kb > peer_kb)) && peer_kb=$bench_kb
      fi
    done
  done
  local ours_ms peer_ms
  ours_ms=$(bench_median <"$bench_work/ours.ms")
  peer_ms=$(bench_median <"$bench_work/peer.ms")
  pair_ratio=$(awk -v a="$ours_ms" -v b="$peer_ms" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  bench_row "$name" "$(printf '%8.1f ms %8.1f ms  %5s×  bar %-7s  peak %4d / %4d MB' "$ours_ms" "$peer_ms" \
    "$pair_ratio" "$bar" "$((ours_kb / 1024))" "$((peer_kb / 1024))")"
}

# Prints a result row and appends it to the run's table.
bench_row() {
  local line
  line=$(printf '%-34s %s' "$1" "$2")
  echo "$line"
  [[ -n "${PIXALDO_BENCH_TABLE:-}" ]] && echo "$line" >>"$PIXALDO_BENCH_TABLE"
  return 0
}

# True when the ratio is at most the bar (both decimal numbers).
bench_within() { awk -v r="$1" -v b="$2" 'BEGIN { exit !(r <= b) }'; }

# Passes a benchmark program's output through; its lines "row<TAB>NAME<TAB>TEXT"
# become rows of the table.
bench_rows() {
  local tag name text
  while IFS=$'\t' read -r tag name text; do
    if [[ $tag == row ]]; then bench_row "$name" "$text"; else echo "$tag${name:+	$name}${text:+	$text}"; fi
  done
}
