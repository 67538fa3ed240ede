#!/usr/bin/env bash
# Pictures in the main window, run by hand: ./bench/picture.sh [BUILD_DIR]
# A 24-megapixel JPEG shown in fit mode (ShowContent to painted) against
# djpeg decoding the same file in the same run, a free-angle turn of it, and
# a slide-show test run over 200 JPEGs of 2 megapixels.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
BENCH="$BUILD/bench/bench_picture"
[ -x "$BENCH" ] || { echo "build first: cmake --build $BUILD --target bench_picture"; exit 2; }
command -v djpeg >/dev/null || { echo "needs djpeg (libjpeg-turbo-progs)"; exit 2; }
command -v convert >/dev/null || { echo "needs convert (imagemagick)"; exit 2; }
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tovane-bench-picture-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

mkdir "$WORK/big" "$WORK/slides"
convert -size 6000x4000 plasma:fractal -quality 90 "$WORK/big/photo.jpg"
for i in $(seq -w 1 200); do
  convert -size 1632x1224 "plasma:fractal" -quality 85 "$WORK/slides/s$i.jpg"
done
sync

best_ms() { # best of 5 wall-clock milliseconds of a command
  local best=999999
  for _ in 1 2 3 4 5; do
    local s e d
    s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N)
    d=$(( (e - s) / 1000000 ))
    (( d < best )) && best=$d
  done
  echo "$best"
}

echo "24-megapixel JPEG ($(stat -c %s "$WORK/big/photo.jpg") bytes)"
out=$(QT_QPA_PLATFORM=offscreen "$BENCH" show "$WORK/big/photo.jpg" 2>/dev/null)
echo "  tovane: $out"
ref=$(best_ms djpeg -scale 1/1 -outfile /dev/null "$WORK/big/photo.jpg")
ours=$(echo "$out" | awk '{print $3}')
printf '  djpeg -scale 1/1: %d ms   ratio show+paint / djpeg: %.2f\n' "$ref" "$(echo "$ours / $ref" | bc -l)"
echo "Slide show, 200 JPEGs of 2 megapixels"
QT_QPA_PLATFORM=offscreen "$BENCH" slides "$WORK/slides" 2>/dev/null | sed 's/^/  /'
