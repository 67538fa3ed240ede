#!/usr/bin/env bash
# The content area on large texts, run by hand: ./bench/content.sh [BUILD_DIR]
# A 20 MB UTF-8 log (300,000 lines) and a 10 MB CP932 text, each shown in
# the main window (offscreen): ShowContent to the first painted text, a jump
# to the last line, against a bare read + decode of the same file in the
# same run, and the memory the shown text added. Best of three runs.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
BENCH="$BUILD/bench/bench_content"
[ -x "$BENCH" ] || { echo "build first: cmake --build $BUILD --target bench_content"; exit 2; }
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tovane-bench-content-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

mkdir "$WORK/log" "$WORK/sjis"
awk 'BEGIN {
  for (i = 0; i < 300000; i++)
    printf "2024-06-13 12:%02d:%02d.%03d INFO worker-%02d request handled id=%07d 処理完了\n",
           (i / 60) % 60, i % 60, i % 1000, i % 32, i
}' > "$WORK/log/app.log"
awk 'BEGIN {
  for (i = 0; i < 130000; i++)
    printf "第%d行：日本語のテキストです。漢字とひらがな、カタカナ、ｶﾀｶﾅを含みます。①②\r\n", i
}' | iconv -f UTF-8 -t CP932 > "$WORK/sjis/sjis.txt"
sync

for f in "$WORK/log/app.log" "$WORK/sjis/sjis.txt"; do
  for _ in 1 2 3; do
    QT_QPA_PLATFORM=offscreen "$BENCH" "$f" 2>/dev/null
  done
done
