#!/usr/bin/env bash
# Whole extractions side by side: build/bin/extract against Info-ZIP `unzip -qo` and
# `bsdtar -xf`, on archives made here by Info-ZIP zip (none is kept in the repository).
#
#   bench/extract-vs-peers.sh [--flat N] [WORKDIR]
#
# Without --flat the archive is `zip -9 -r` of /usr/include and /usr/share/doc; with --flat N
# it holds N small files in one folder. Every round runs each tool once, in an order that
# rotates from round to round, each into a fresh empty folder after a `sync`. The folders are
# removed only after the last round, and synced: on a file system without a journal, ext4
# passes over the inodes freed in the last 60 seconds (300 while their table block is not
# written) when it allocates new ones, which would charge each run for the removal of the one
# before it. For the same reason, let a minute pass after removing many files, or between two
# calls; folders an interrupted call left are removed first, followed by that wait.
# Wall time and CPU time (user + system) come from wait4() of each run, its peak RSS from
# /usr/bin/time. Printed per tool: the medians of its wall and CPU times, its largest RSS, and
# the medians over the rounds of the ratios peer / extract (above 1: extract was faster).
#
# Environment: EXTRACT (default build/bin/extract), ROUNDS (default 5).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
extract=${EXTRACT:-$root/build/bin/extract}
rounds=${ROUNDS:-5}
flat=0
if [[ ${1:-} == --flat ]]; then
  flat=${2:?--flat needs a number of files}
  shift 2
fi
work=${1:-${TMPDIR:-/tmp}/extract-vs-peers}
mkdir -p "$work"
work=$(cd "$work" && pwd)
export SETUP_PREFIX=$work/prefix

for tool in "$extract" unzip bsdtar zip python3 sync /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

if ((flat > 0)); then
  archive=$work/flat-$flat.zip
  if [[ ! -s $archive ]]; then
    echo "making $archive"
    rm -rf "$work/flat-src"
    mkdir -p "$work/flat-src/flat"
    python3 - "$work/flat-src/flat" "$flat" <<'EOF'
import sys
folder, n = sys.argv[1], int(sys.argv[2])
for i in range(n):
    with open(f"{folder}/file-{i:06d}.txt", "w") as f:
        f.write(f"file {i}\n" * (1 + i % 40))
EOF
    (cd "$work/flat-src" && zip -q -r "$archive" flat)
    rm -rf "$work/flat-src"
  fi
else
  archive=$work/peers.zip
  if [[ ! -s $archive ]]; then
    echo "making $archive"
    # zip warns (and exits 18) about files it may not read; the archive holds the rest.
    (zip -9 -r -q "$archive" /usr/include /usr/share/doc 2>/dev/null) || [[ -s $archive ]]
  fi
fi
echo "archive: $archive, $(stat -L -c %s "$archive") bytes, $(unzip -Z1 "$archive" | grep -vc '/$') files"
echo "rounds: $rounds"

# measure NAME COMMAND...: runs COMMAND in a fresh $work/out (the last run's output moved
# aside to $work/done); appends "NAME wall cpu rss_kb".
runs=0
measure() {
  local name=$1
  shift
  if [[ -d $work/out ]]; then mv "$work/out" "$work/done/$runs"; fi
  runs=$((runs + 1))
  mkdir -p "$work/out"
  sync
  python3 - "$work/out" "$@" >>"$work/times.txt" <<EOF || { echo "$name failed" >&2; exit 1; }
import os, subprocess, sys, time
out, cmd = sys.argv[1], sys.argv[2:]
start = time.perf_counter()
rss_file = out + "/../rss.txt"
# The peak RSS comes from /usr/bin/time, a small process: a child of this (larger) one would
# count this one's pages as its own until it runs the tool.
p = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss_file] + cmd, cwd=out,
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
_, status, ru = os.wait4(p.pid, 0)
wall = time.perf_counter() - start
if os.waitstatus_to_exitcode(status) != 0:
    sys.exit(1)
rss = open(rss_file).read().split()[-1]
print("$name", f"{wall:.4f}", f"{ru.ru_utime + ru.ru_stime:.4f}", rss)
EOF
}

tools=(extract unzip bsdtar)
run_tool() {
  case $1 in
    extract) measure extract "$extract" "$archive" "$work/out" ;;
    unzip) measure unzip unzip -qo "$archive" ;;
    bsdtar) measure bsdtar bsdtar -xf "$archive" ;;
  esac
}

: >"$work/times.txt"
if [[ -e $work/out || -e $work/done ]]; then
  echo "removing the folders of an earlier call, then waiting 61 s"
  rm -rf "$work/out" "$work/done"
  sync
  sleep 61
fi
mkdir -p "$work/done"
trap 'rm -rf "$work/out" "$work/done"; sync' EXIT
for ((r = 0; r < rounds; r++)); do
  for ((k = 0; k < ${#tools[@]}; k++)); do
    run_tool "${tools[(r + k) % ${#tools[@]}]}"
  done
  echo "round $((r + 1)) done"
done

python3 - "$work/times.txt" "$rounds" <<'EOF'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
rounds = int(sys.argv[2])
by = {}
for name, wall, cpu, rss in rows:
    by.setdefault(name, []).append((float(wall), float(cpu), int(rss)))
ours = by["extract"]
print(f"{'tool':8} {'wall s':>8} {'CPU s':>8} {'peak RSS':>10} {'wall ratio':>11} {'CPU ratio':>10}")
for name in ("extract", "unzip", "bsdtar"):
    runs = by[name]
    wall = statistics.median(w for w, _, _ in runs)
    cpu = statistics.median(c for _, c, _ in runs)
    rss = max(m for _, _, m in runs)
    wr = statistics.median(runs[i][0] / ours[i][0] for i in range(rounds))
    cr = statistics.median(runs[i][1] / max(ours[i][1], 1e-6) for i in range(rounds))
    print(f"{name:8} {wall:8.3f} {cpu:8.3f} {rss:7d} KB {wr:10.2f}x {cr:9.2f}x")
print("ratios: median over the rounds of peer / extract (above 1: extract faster)")
EOF
