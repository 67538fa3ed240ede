#!/usr/bin/env bash
# File operation benchmarks, run by hand: ./bench/ops.sh [BUILD_DIR]
# Copies, moves and deletes through tovane-cli against cp, mv and rm on the
# same data in the same run. The data lives under $TMPDIR (default /tmp);
# point TMPDIR at a tmpfs to measure without the disk.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
CLI="$BUILD/src/tovane-cli"
[ -x "$CLI" ] || { echo "build first: cmake --build $BUILD --target tovane-cli"; exit 2; }
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tovane-bench-ops-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
export XDG_DATA_HOME="$WORK/xdg" # the trash of this run, on the same volume
echo "data under $WORK ($(df -T "$WORK" | awk 'NR==2 {print $2}'))"

# best SETUP COMMAND...: best of 3 wall-clock seconds of COMMAND, each run
# after SETUP (not timed).
best() {
  local setup=$1; shift
  local best=999999
  for _ in 1 2 3; do
    eval "$setup"
    sync
    local s e d
    s=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s.%N)
    d=$(echo "$e - $s" | bc -l)
    if (( $(echo "$d < $best" | bc -l) )); then best=$d; fi
  done
  printf '%.4f' "$best"
}
report() { # name ours reference refname goal
  printf '%-46s ours %8.4f s   %-30s %8.4f s   ratio %5.2f (goal <= %s)\n' \
    "$1" "$2" "$4" "$3" "$(echo "$2 / $3" | bc -l)" "$5"
}
alone() { # name seconds
  printf '%-46s ours %8.4f s\n' "$1" "$2"
}

echo "Preparing 2 GiB in 8 files ..."
mkdir -p "$WORK/big/src/data"
for i in 1 2 3 4 5 6 7 8; do
  head -c $((256 * 1024 * 1024)) /dev/urandom > "$WORK/big/src/data/file$i.bin"
done
echo "Preparing 20,000 files of 4 KiB in 200 folders ..."
mkdir -p "$WORK/small/master/tree"
head -c 4096 /dev/urandom > "$WORK/block"
for d in $(seq -w 1 200); do
  mkdir "$WORK/small/master/tree/d$d"
  ( cd "$WORK/small/master/tree/d$d" && for f in $(seq -w 1 100); do cp "$WORK/block" "f$f"; done )
done
sync

fresh() { echo "rm -rf '$1' && mkdir -p '$1'"; }

ours=$(best "$(fresh "$WORK/big/dst")" "$CLI" copy --all-levels "$WORK/big/src" "$WORK/big/dst" data)
ref=$(best "$(fresh "$WORK/big/ref")" cp -r --preserve=timestamps "$WORK/big/src/data" "$WORK/big/ref/")
cmp -s "$WORK/big/src/data/file8.bin" "$WORK/big/dst/data/file8.bin" || echo "  WARNING: copy differs"
report "copy 2 GiB in 8 files" "$ours" "$ref" "cp -r --preserve=timestamps" 1.1
rm -rf "$WORK/big/dst" "$WORK/big/ref"

S="$WORK/small"
ours=$(best "$(fresh "$S/dst")" "$CLI" copy --all-levels "$S/master" "$S/dst" tree)
ref=$(best "$(fresh "$S/ref")" cp -r --preserve=timestamps "$S/master/tree" "$S/ref/")
[ "$(find "$S/dst/tree" -type f | wc -l)" = 20000 ] || echo "  WARNING: copy incomplete"
report "copy 20,000 files of 4 KiB in 200 folders" "$ours" "$ref" "cp -r --preserve=timestamps" 1.3
rm -rf "$S/dst" "$S/ref"

# Moves within one volume: the whole folder (one rename), and into an
# existing folder of the same name (one rename per item below it).
setupMove="rm -rf '$S/src' '$S/dst' && mkdir -p '$S/src' '$S/dst' && cp -r '$S/master/tree' '$S/src/'"
ours=$(best "$setupMove" "$CLI" move --all-levels "$S/src" "$S/dst" tree)
alone "move 20,000 files, folder absent at destination" "$ours"
setupMerge="$setupMove && mkdir '$S/dst/tree'"
ours=$(best "$setupMerge" "$CLI" move --all-levels "$S/src" "$S/dst" tree)
ref=$(best "$setupMove" mv "$S/src/tree" "$S/dst/")
[ "$(find "$S/dst/tree" -type f | wc -l)" = 20000 ] || echo "  WARNING: move incomplete"
alone "move 20,000 files into an existing folder" "$ours"
printf '  (mv of the whole folder: %.4f s)\n' "$ref"

setupDelete="rm -rf '$S/src' '$XDG_DATA_HOME' && mkdir -p '$S/src' && cp -r '$S/master/tree' '$S/src/'"
ours=$(best "$setupDelete" "$CLI" delete --erase "$S/src" tree)
ref=$(best "$setupDelete" rm -r "$S/src/tree")
report "erase 20,000 files" "$ours" "$ref" "rm -r" "-"
# Volumes that keep no trash (tmpfs, removable, network) refuse a delete
# without --erase: there is nothing to time there.
if ! ( eval "$setupDelete" && "$CLI" delete "$S/src" tree >/dev/null 2>&1 ); then
  echo "delete to the trash: this volume keeps no trash for Tovane; run on a fixed disk"
  exit 0
fi
ours=$(best "$setupDelete" "$CLI" delete "$S/src" tree)
[ ! -e "$S/src/tree" ] || echo "  WARNING: trash incomplete"
report "delete 20,000 files to the trash" "$ours" "$ref" "rm -r" "-"
