#!/usr/bin/env bash
# The list fill of 100,000 files with individual file images off and on,
# run by hand: ./bench/fileimages.sh [BUILD_DIR]
# Two folders: eight extensions that the default aggregation list shares
# out (eight keys), and the same with every tenth file an .exe of its own
# name (per-file keys up to the limit of 5,000).
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
