#!/usr/bin/env bash
# Search, run by hand: ./bench/search.sh [BUILD_DIR]
# 200,000 files in 2,000 folders, warm cache: tovane-cli search against
# find -iname (and fdfind when installed) for three patterns, best of 3.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
CLI="$BUILD/src/tovane-cli"
[ -x "$CLI" ] || { echo "build first: cmake --build $BUILD --target tovane-cli"; exit 2; }
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tovane-bench-search-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

echo "Preparing 200,000 files in 2,000 folders ..."
python3 - "$WORK/tree" <<'PY'
import os, sys
root = sys.argv[1]
names = ["abc%d.txt", "report_%d.txt", "data%d.bin", "x%dyz.dat", "img_%d.jpg"]
for d in range(2000):
    folder = os.path.join(root, "g%02d" % (d // 100), "d%04d" % d)
    os.makedirs(folder)
    for i in range(100):
        open(os.path.join(folder, names[i % 5] % (d * 100 + i)), "w").close()
PY
find "$WORK/tree" > /dev/null # warm the cache

best() { # best of 3 wall-clock seconds
  local best=999999
  for _ in 1 2 3; do
    local s e d
    s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
    d=$(echo "$e - $s" | bc -l)
    if (( $(echo "$d < $best" | bc -l) )); then best=$d; fi
  done
  printf '%.4f' "$best"
}
for pattern in '*.txt' 'abc*' '*x?z*'; do
  ours=$(best "$CLI" search "$pattern" "$WORK/tree")
  ref=$(best find "$WORK/tree" -iname "$pattern")
  # find that also reads what a hit shows (size, time, mode), as the search does.
  same=$(best find "$WORK/tree" -iname "$pattern" -printf '%f\t%h\t%s\t%TY/%Tm/%Td %TH:%TM:%TS\t%m\n')
  line=$(printf '%-8s ours %7.3f s   find -iname %7.3f s   ratio %5.2f   find -printf %7.3f s   ratio %5.2f' \
         "$pattern" "$ours" "$ref" "$(echo "$ours / $ref" | bc -l)" "$same" "$(echo "$ours / $same" | bc -l)")
  if command -v fdfind >/dev/null; then
    fd=$(best fdfind -u -g "$pattern" "$WORK/tree")
    line="$line   fdfind $(printf '%7.3f' "$fd") s"
  fi
  echo "$line"
  "$CLI" search "$pattern" "$WORK/tree" | tail -1
done
