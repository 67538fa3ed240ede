#!/usr/bin/env bash
# The list fill of 100,000 files with individual file images off and on,
# run by hand: ./bench/fileimages.sh [BUILD_DIR]
# Two folders: eight extensions that the default aggregation list shares
# out (eight keys), and the same with every tenth file an .exe of its own
# name (per-file keys up to the limit of 5,000).
#
# 2026-12-09, 2 cores shared with other builds (load average 13), best of 5:
# eight keys: off 1.224 s, on 1.294 s (1.06x), first fill on 1.288 s
# (1.05x; 8 lookups of 1.9 ms). 10,000 .exe files: off 1.220 s, on 1.296 s
# (1.06x), first fill 1.339 s (1.10x; 5,000 lookups of 8.7 us, then the
# limit message once).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
BIN="$BUILD/bench/bench_fileimages"
[ -x "$BIN" ] || { echo "build first: ninja -C $BUILD bench_fileimages"; exit 2; }
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tovane-bench-images-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
export QT_QPA_PLATFORM=offscreen

echo "Preparing 2 x 100,000 files ..."
mkdir -p "$WORK/shared" "$WORK/own"
exts=(txt png c pdf zip html mp3 doc)
( cd "$WORK/shared" && for i in $(seq 0 99999); do echo "f$i.${exts[$((i % 8))]}"; done | xargs touch )
( cd "$WORK/own" && for i in $(seq 0 99999); do
    if ((i % 10 == 0)); then echo "p$i.exe"; else echo "f$i.${exts[$((i % 8))]}"; fi
  done | xargs touch )
sync

echo "== eight shared keys"
"$BIN" "$WORK/shared" 5
echo "== 10,000 .exe files, one key each"
"$BIN" "$WORK/own" 5
