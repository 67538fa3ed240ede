#!/usr/bin/env bash
# Compare-selection benchmarks, run by hand: ./bench/compare.sh [BUILD_DIR]
# Builds two trees under a temporary folder and prints, per figure, our time,
# the reference's time from the same run, and the ratio.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
BIN="$BUILD/bench/bench_compare"
CLI="$BUILD/src/tovane-cli"
for tool in "$BIN" "$CLI"; do
  [ -x "$tool" ] || { echo "build first: cmake --build $BUILD (missing $tool)"; exit 2; }
done
command -v rsync >/dev/null || { echo "rsync is needed for the reference (apt-get install rsync)"; exit 2; }
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tovane-compare-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

best() { # best of 3 wall-clock seconds of a command
  local best=999999
  for _ in 1 2 3; do
    local s e d
    s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
    d=$(echo "$e - $s" | bc -l)
    if (( $(echo "$d < $best" | bc -l) )); then best=$d; fi
  done
  printf '%.4f' "$best"
}
report() { # name ours reference refname
  printf '%-46s ours %8.4f s   %-30s %8.4f s   ratio %5.2f\n' "$1" "$2" "$4" "$3" "$(echo "$2 / $3" | bc -l)"
}
bestEngine() { # best of 3 "compare" seconds that bench_compare engine reports
  local best=999999 out t
  for _ in 1 2 3; do
    out=$("$BIN" engine "$@")
    t=$(echo "$out" | awk '/^compare/ {print $2}')
    if (( $(echo "$t < $best" | bc -l) )); then best=$t; fi
  done
  printf '%.4f' "$best"
}

echo "Preparing two trees of 200,000 files in 20,000 folders, 1% differing ..."
mkdir -p "$WORK/tree"
"$BIN" tree "$WORK/tree" 200000 20000 10
sync
L="$WORK/tree/L"; R="$WORK/tree/R"
ref=$(best sh -c "rsync -rn -i '$L/' '$R/'; rsync -rn -i '$R/' '$L/'")
ours=$(best "$CLI" compare --all-levels --both --exist --date=any --size=any "$L" "$R")
report "all levels, both windows (cli, no mask)" "$ours" "$ref" "rsync -rn -i both ways"
ours=$(best "$CLI" compare --all-levels --both --exist --date=any --size=any --hide=H,S "$L" "$R")
report "all levels, both windows (cli, --hide=H,S)" "$ours" "$ref" "rsync -rn -i both ways"
ours=$(bestEngine "$L" "$R" --all-levels --both)
report "all levels, both windows (engine, defaults)" "$ours" "$ref" "rsync -rn -i both ways"
"$BIN" engine "$L" "$R" --all-levels --both | sed 's/^/  engine: /'
rm -rf "$WORK/tree"

# Without differences nothing ends a folder early: every pair is looked up.
echo "Preparing two identical trees of 200,000 files in 20,000 folders ..."
mkdir -p "$WORK/same"
"$BIN" tree "$WORK/same" 200000 20000 0
sync
L="$WORK/same/L"; R="$WORK/same/R"
ref=$(best sh -c "rsync -rn -i '$L/' '$R/'; rsync -rn -i '$R/' '$L/'")
ours=$(best "$CLI" compare --all-levels --both --exist --date=any --size=any "$L" "$R")
report "identical trees, both windows (cli, no mask)" "$ours" "$ref" "rsync -rn -i both ways"
ours=$(bestEngine "$L" "$R" --all-levels --both)
report "identical trees, both windows (engine)" "$ours" "$ref" "rsync -rn -i both ways"
rm -rf "$WORK/same"

echo "Preparing 100,000 files and their copy ..."
mkdir -p "$WORK/flat"
"$BIN" flat "$WORK/flat" 100000
sync
list=$(best "$CLI" list "$WORK/flat/L")
ours=$(best "$CLI" compare "$WORK/flat/L" "$WORK/flat/R")
report "one level, 100,000 files (cli, goal 0.5 s)" "$ours" "$list" "tovane-cli list of L"
ours=$(bestEngine "$WORK/flat/L" "$WORK/flat/R")
report "one level, 100,000 files (engine alone)" "$ours" "$list" "tovane-cli list of L"

echo "Mark clicks (must not grow with the list):"
"$BIN" click "$WORK/flat/L" 2000 | sed 's/^/  100,000 rows: /'
mkdir -p "$WORK/small"
"$BIN" flat "$WORK/small" 10000 >/dev/null
"$BIN" click "$WORK/small/L" 2000 | sed 's/^/  10,000 rows: /'
