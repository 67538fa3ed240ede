#!/usr/bin/env bash
# LZH writer benchmark, run by hand: ./bench/lzh.sh [BUILD_DIR]
# 2,000 files (40 MB of mixed text and binary) packed with our -lh5- writer
# and, for reference, as a tar through gzip -6; prints sizes and times.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
BIN="$BUILD/bench/bench_lzh"
[ -x "$BIN" ] || { echo "build first: cmake --build $BUILD --target bench_lzh"; exit 2; }
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tovane-lzh-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

echo "Preparing 2,000 files, about 40 MB ..."
python3 - "$WORK/src" <<'PY'
import os, random, sys
root = sys.argv[1]
rnd = random.Random(7)
words = ("file folder window archive copy move the of and to data list view "
         "ファイル 圧縮 一覧 表示 設定 ").split()
for i in range(2000):
    d = os.path.join(root, "d%02d" % (i % 40))
    os.makedirs(d, exist_ok=True)
    size = 20000
    kind = i % 4
    if kind in (0, 1):  # prose-like text
        out = " ".join(rnd.choice(words) for _ in range(size // 5)).encode()[:size]
    elif kind == 2:  # structured binary: records with counters and padding
        out = b"".join(i.to_bytes(4, "little") + bytes(12) + rnd.randbytes(4)
                       for i in range(size // 20))
    else:  # noise
        out = rnd.randbytes(size)
    with open(os.path.join(d, "f%04d.dat" % i), "wb") as f:
        f.write(out)
PY
du -sb "$WORK/src" | awk '{printf "input: %.1f MB\n", $1/1e6}'

s=$(date +%s.%N)
tar -C "$WORK/src" -cf - . | gzip -6 > "$WORK/ref.tar.gz"
e=$(date +%s.%N)
gz_size=$(stat -c %s "$WORK/ref.tar.gz")
gz_time=$(echo "$e - $s" | bc -l)

for m in 5 6 7; do
  rm -f "$WORK/out.lzh"
  line=$("$BIN" "$WORK/src" "$WORK/out.lzh" $m)
  size=$(echo "$line" | awk '{print $6}')
  secs=$(echo "$line" | awk '{print $8}')
  printf -- '-lh%s-  %10d bytes %7.2f s   (gzip -6 tar: %10d bytes %6.2f s)  size ratio %.3f\n' \
    "$m" "$size" "$secs" "$gz_size" "$gz_time" "$(echo "$size / $gz_size" | bc -l)"
done
if command -v lha >/dev/null; then lha t "$WORK/out.lzh" >/dev/null && echo "lha t: ok"; fi
