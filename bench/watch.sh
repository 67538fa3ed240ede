#!/usr/bin/env bash
# A folder of 100,000 files that a script touches all the time, shown in
# the main window (offscreen), run by hand: ./bench/watch.sh [BUILD_DIR] [SECONDS]
# Prints the refreshes, the share of time spent refilling the list and how
# late a 10 ms timer ran meanwhile.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
SECONDS_RUN="${2:-20}"
BIN="$BUILD/bench/bench_watch"
[ -x "$BIN" ] || { echo "build first: ninja -C $BUILD bench_watch"; exit 2; }
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tovane-bench-watch-XXXXXX")"
TOUCHER=""
trap '[ -n "$TOUCHER" ] && kill "$TOUCHER" 2>/dev/null; rm -rf "$WORK"' EXIT
export QT_QPA_PLATFORM=offscreen

echo "Preparing 100,000 files ..."
mkdir -p "$WORK/flat"
( cd "$WORK/flat" && seq -f 'file%06g.txt' 1 100000 | xargs touch )
sync

# Touches batches of files without pause, and now and then adds and removes one.
( cd "$WORK/flat"; n=0
  while :; do
    touch file0$((RANDOM % 9))*1.txt
    n=$((n + 1)); touch "new$((n % 50)).txt"; rm -f "new$(((n + 25) % 50)).txt"
  done ) &
TOUCHER=$!

"$BIN" "$WORK/flat" "$SECONDS_RUN"
