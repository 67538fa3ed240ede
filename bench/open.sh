#!/usr/bin/env bash
# Opening a folder of 100,000 files in the main window, run by hand:
# ./bench/open.sh [BUILD_DIR]
# The main window starts offscreen with that folder in both windows and once
# with an empty folder in both (--screenshot ends each start); the
# difference, halved, is what one list costs. Reference: tovane-cli list of
# the same folder in the same run. Best of five.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
GUI="$BUILD/src/tovane"
CLI="$BUILD/src/tovane-cli"
[ -x "$GUI" ] && [ -x "$CLI" ] || { echo "build first: cmake --build $BUILD"; exit 2; }
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tovane-bench-open-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
export QT_QPA_PLATFORM=offscreen

echo "Preparing 100,000 files ..."
mkdir -p "$WORK/flat" "$WORK/empty" "$WORK/cfg-full" "$WORK/cfg-empty"
( cd "$WORK/flat" && seq -f 'file%06g.txt' 1 100000 | xargs touch )
sync

settings() { # config folder, listed folder: both windows on it, written anew each run
  printf '[Position]\r\nPath=_,%s,_,%s,\r\n' "$2" "$2" > "$1/Tovane.ini"
}
best() { # best of 5 wall-clock seconds of a command
  local best=999999
  for _ in 1 2 3 4 5; do
    local s e d
    s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
    d=$(echo "$e - $s" | bc -l)
    if (( $(echo "$d < $best" | bc -l) )); then best=$d; fi
  done
  printf '%.4f' "$best"
}
start() { # config folder, listed folder
  settings "$1" "$2"
  "$GUI" --config-dir "$1" --screenshot "$WORK/shot.png"
}

full=$(best start "$WORK/cfg-full" "$WORK/flat")
empty=$(best start "$WORK/cfg-empty" "$WORK/empty")
cli=$(best "$CLI" list "$WORK/flat")
perList=$(echo "($full - $empty) / 2" | bc -l)
printf 'start, both windows on 100,000 files   %8.4f s\n' "$full"
printf 'start, both windows on an empty folder %8.4f s\n' "$empty"
printf '%-44s ours %8.4f s   %-28s %8.4f s   ratio %5.2f\n' "one list of 100,000 files, main window" \
  "$perList" "tovane-cli list" "$cli" "$(echo "$perList / $cli" | bc -l)"
