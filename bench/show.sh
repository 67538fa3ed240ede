#!/usr/bin/env bash
# tovane-cli show of large texts, run by hand: ./bench/show.sh [BUILD_DIR]
# A 20 MB UTF-8 log (300,000 lines) against cat, and a 10 MB CP932 text
# against iconv -f CP932 -t UTF-8, in the same run. Best of five; the peak
# memory of one show is printed beside its file size.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
CLI="$BUILD/src/tovane-cli"
[ -x "$CLI" ] || { echo "build first: cmake --build $BUILD --target tovane-cli"; exit 2; }
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tovane-bench-show-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

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
report() { # name ours reference refname
  printf '%-40s ours %8.4f s   %-26s %8.4f s   ratio %5.2f\n' "$1" "$2" "$4" "$3" "$(echo "$2 / $3" | bc -l)"
}
peak() { # peak resident size of a command in MB
  /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1 | awk '{printf "%.1f", $1 / 1024}'
}
size() { # file size in MB
  stat -c %s "$1" | awk '{printf "%.1f", $1 / 1048576}'
}

echo "Preparing a UTF-8 log of 300,000 lines and a CP932 text ..."
awk 'BEGIN {
  for (i = 0; i < 300000; i++)
    printf "2024-06-13 12:%02d:%02d.%03d INFO w%02d 処理を完了しました id=%07d\n",
           (i / 60) % 60, i % 60, i % 1000, i % 32, i
}' > "$WORK/log.txt"
awk 'BEGIN {
  for (i = 0; i < 130000; i++)
    printf "第%d行：日本語のテキストです。漢字とひらがな、カタカナ、ｶﾀｶﾅを含みます。①②\r\n", i
}' | iconv -f UTF-8 -t CP932 > "$WORK/sjis.txt"
sync

"$CLI" show --info "$WORK/log.txt" | tr '\t\n' ' ;'; echo
"$CLI" show --info "$WORK/sjis.txt" | tr '\t\n' ' ;'; echo
"$CLI" show "$WORK/sjis.txt" | cmp -s - <(iconv -f CP932 -t UTF-8 "$WORK/sjis.txt") ||
  echo "warning: show and iconv differ for the CP932 text"

ours=$(best "$CLI" show "$WORK/log.txt")
ref=$(best cat "$WORK/log.txt")
report "show, UTF-8 log $(size "$WORK/log.txt") MB" "$ours" "$ref" "cat"
ref=$(best iconv -f UTF-8 -t UTF-8 "$WORK/log.txt")
report "show, UTF-8 log $(size "$WORK/log.txt") MB" "$ours" "$ref" "iconv -f UTF-8 -t UTF-8"
ours=$(best "$CLI" show "$WORK/sjis.txt")
ref=$(best iconv -f CP932 -t UTF-8 "$WORK/sjis.txt")
report "show, CP932 text $(size "$WORK/sjis.txt") MB" "$ours" "$ref" "iconv -f CP932 -t UTF-8"
ours=$(best "$CLI" show --info "$WORK/sjis.txt")
report "show --info (read + decode), CP932" "$ours" "$ref" "iconv -f CP932 -t UTF-8"
echo "peak memory: UTF-8 log $(peak "$CLI" show "$WORK/log.txt") MB for $(size "$WORK/log.txt") MB," \
     "CP932 text $(peak "$CLI" show "$WORK/sjis.txt") MB for $(size "$WORK/sjis.txt") MB"
