#!/usr/bin/env bash
# A folder of 100,000 files that a script touches all the time, shown in
# the main window (offscreen), run by hand: ./bench/watch.sh [BUILD_DIR] [SECONDS]
# Prints the refreshes, the share of time spent refilling the list and how
# late a 10 ms timer ran meanwhile.
#
# 2026-12-09, 2 cores shared with other builds (load average 8), 30 s:
# 100,025 rows; 4 refreshes (one refill took about 1.2 s under that load,
# so the gap between refreshes grew to 6.7 s); 15.6 % of the time spent
# refilling; the 10 ms timer ran late by 0 ms in the median, 22 ms at p99
# and 472 ms at worst (one refill's part that does not let events run:
# sorting and resetting the rows, and a starved CPU).
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
