#!/usr/bin/env bash
# Times whole extractions: build/bin/extract against `unzip -qo`, `bsdtar -xf` and `7z x` on
# one archive of /usr/include and /usr/share/doc made with `zip -9 -r`. Each tool extracts
# into a fresh folder RUNS times; the best wall time and the largest peak RSS (from
# /usr/bin/time -v) are kept, and the peers' times are given as ratios to extract's.
#
#   bench/extract-vs-peers.sh [WORKDIR]    (EXTRACT=path/to/extract, RUNS=n to override)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
extract=${EXTRACT:-$root/build/bin/extract}
runs=${RUNS:-3}
work=${1:-${TMPDIR:-/tmp}/extract-vs-peers}
mkdir -p "$work"
work=$(cd "$work" && pwd)
archive=$work/peers.zip
export SETUP_PREFIX=$work/prefix

for tool in "$extract" unzip bsdtar 7z /usr/bin/time zip; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
if [[ ! -s $archive ]]; then
  echo "making $archive"
  (zip -9 -r -q "$archive" /usr/include /usr/share/doc 2>/dev/null) || [[ -s $archive ]]
fi
echo "archive: $(stat -c %s "$archive") bytes, $(unzip -Z1 "$archive" | wc -l) entries"

# run NAME COMMAND...: prints "best-seconds max-rss-kb"; the command runs inside $work/out.
run() {
  local name=$1 best="" rss=0 t m
  shift
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out"
    mkdir -p "$work/out"
    sync
    (cd "$work/out" && /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt") || {
      echo "$name failed: $(tail -3 "$work/err.txt")" >&2
      exit 1
    }
    t=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, p, ":"); s = 0;
          for (k = 1; k <= n; k++) s = s * 60 + p[k]; print s}' "$work/time.txt")
    m=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
    if [[ -z $best ]] || awk -v a="$t" -v b="$best" 'BEGIN {exit !(a < b)}'; then best=$t; fi
    ((m > rss)) && rss=$m
  done
  echo "$best $rss"
}

read -r t_ex rss_ex < <(run extract "$extract" "$archive" "$work/out")
read -r t_un rss_un < <(run unzip unzip -qo "$archive")
read -r t_bs rss_bs < <(run bsdtar bsdtar -xf "$archive")
read -r t_7z rss_7z < <(run 7z 7z x -y "$archive")
rm -rf "$work/out"

printf '%-8s %8s %10s %s\n' tool seconds "peak RSS" "time / extract's"
for row in "extract $t_ex $rss_ex" "unzip $t_un $rss_un" "bsdtar $t_bs $rss_bs" "7z $t_7z $rss_7z"; do
  read -r name t m <<<"$row"
  printf '%-8s %8.2f %7d KB %6.2fx\n' "$name" "$t" "$m" "$(awk -v a="$t" -v b="$t_ex" 'BEGIN {print a / b}')"
done
