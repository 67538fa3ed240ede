#!/usr/bin/env bash
# Archive benchmarks, run by hand: ./bench/archive.sh [BUILD_DIR]
# Prints, per figure, our time, the reference tool's time from the same run
# and the ratio, and the sizes of both zips.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
BIN="$BUILD/bench/bench_archive"
[ -x "$BIN" ] || { echo "build first: cmake --build $BUILD --target bench_archive"; exit 2; }
for t in zip unzip python3; do
  command -v "$t" >/dev/null || { echo "$t is needed for the reference"; exit 2; }
done
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tovane-archive-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

best() { # best of 3 wall-clock seconds of a command, after its set-up
  local setup="$1"; shift
  local best=999999
  for _ in 1 2 3; do
    local s e d
    sh -c "$setup"
    s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
    d=$(echo "$e - $s" | bc -l)
    if (( $(echo "$d < $best" | bc -l) )); then best=$d; fi
  done
  printf '%.4f' "$best"
}
report() { # name ours reference refname
  printf '%-40s ours %8.4f s   %-16s %8.4f s   ratio %5.2f\n' "$1" "$2" "$4" "$3" "$(echo "$2 / $3" | bc -l)"
}

echo "Preparing 10,000 small files and 2,000 files of 20 KB (40 MB) ..."
python3 - "$WORK" <<'PY'
import os, random, sys
work = sys.argv[1]
random.seed(1)
many = os.path.join(work, "many", "m")
os.makedirs(many)
for i in range(10000):
    d = os.path.join(many, "d%03d" % (i // 100))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "f%05d.txt" % i), "w") as f:
        f.write("line %d\n" % i)
big = os.path.join(work, "big", "b")
os.makedirs(big)
words = [b"alpha", b"beta", b"gamma", b"delta", b"epsilon", b"zeta"]
for i in range(2000):
    d = os.path.join(big, "d%02d" % (i // 100))
    os.makedirs(d, exist_ok=True)
    # Half text, half random bytes: compressible, but not trivially.
    text = b" ".join(random.choice(words) for _ in range(1700))[:10000]
    data = text + os.urandom(20000 - len(text))
    with open(os.path.join(d, "f%04d.bin" % i), "wb") as f:
        f.write(data)
PY
(cd "$WORK/many" && zip -r -q ../many.zip m)
(cd "$WORK/big" && zip -r -q ../big.zip b)
sync

ours=$(best true "$BIN" list "$WORK/many.zip")
ref=$(best true unzip -l "$WORK/many.zip")
report "list 10,000 entries" "$ours" "$ref" "unzip -l"

ours=$(best "rm -rf '$WORK/x'; mkdir '$WORK/x'" "$BIN" extract "$WORK/big.zip" "$WORK/x")
ref=$(best "rm -rf '$WORK/x'; mkdir '$WORK/x'" unzip -q "$WORK/big.zip" -d "$WORK/x")
report "extract 2,000 files, 40 MB" "$ours" "$ref" "unzip -q"

ours=$(best "rm -f '$WORK/ours.zip'" "$BIN" create "$WORK/ours.zip" "$WORK/big" b)
ref=$(best "rm -f '$WORK/ref.zip'" sh -c "cd '$WORK/big' && zip -r -q '$WORK/ref.zip' b")
report "create from 2,000 files, 40 MB" "$ours" "$ref" "zip -r -q"
printf 'sizes: ours %s bytes, zip %s bytes\n' "$(stat -c %s "$WORK/ours.zip")" "$(stat -c %s "$WORK/ref.zip")"
