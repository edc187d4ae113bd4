#!/usr/bin/env bash
# Throughput of the shrink and implode decoders against Info-ZIP unzip on the same archives.
#
# The shrunk and imploded members of the real archives are copied unchanged (zip -U) into one
# archive per kind. Each archive is extracted RUNS times by the extract tool (the setup's own
# extractor, writing files) and by `unzip -p` (to /dev/null) and `unzip -o -d` (writing files);
# the best wall and CPU time of each is kept. Prints MB/s of uncompressed output and the
# ratios unzip time / extract time (above 1: ours is faster).
#
# usage: bench/legacy-vs-unzip.sh [EXTRACT_TOOL]   (default build/bin/extract)
# environment: FIXTURES (the real archives), RUNS (default 5)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
extract=${1:-$root/build/bin/extract}
fixtures=${FIXTURES:-$root/tests/fixtures/zip}
runs=${RUNS:-5}

for tool in "$extract" unzip zip zipinfo; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SETUP_PREFIX=$work/prefix

# copy_members OUT SOURCE KIND: the SOURCE archive's members of KIND (zipinfo's method column:
# shrk, i4:2, i8:3 ...) copied unchanged into OUT.
copy_members() {
  local out=$1 from=$fixtures/$2 kind=$3
  mapfile -t names < <(zipinfo -l "$from" | awk -v k="$kind" '$7 ~ k { print $NF }')
  ((${#names[@]} > 0)) || { echo "no $kind members in $from" >&2; exit 2; }
  zip -q -U "$from" "${names[@]}" --out "$out"
}

shrink=$work/shrink.zip
implode4k=$work/implode-4k.zip
implode8k=$work/implode-8k.zip
copy_members "$shrink" pkzip-dos/PKZ110ES.ZIP '^shrk$'
copy_members "$implode4k" pkzip-dos/PKZ110EI.ZIP '^i4:2$'
copy_members "$implode8k" commons-compress/moby-imploded.zip '^i8:3$'

# measure COMMAND...: RUNS runs; prints the best wall time and the best CPU time (user +
# system) in milliseconds. The machine may be shared: CPU time is the steadier figure.
measure() {
  local bestWall=0 bestCpu=0 i wall user sys cpu
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out" && mkdir -p "$work/out"
    read -r wall user sys < <({ TIMEFORMAT='%3R %3U %3S'; time "$@" >/dev/null 2>&1; } 2>&1)
    wall=$(awk -v w="$wall" 'BEGIN { printf "%d", w * 1000 }')
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%d", (u + s) * 1000 }')
    if ((bestWall == 0 || wall < bestWall)); then bestWall=$wall; fi
    if ((bestCpu == 0 || cpu < bestCpu)); then bestCpu=$cpu; fi
  done
  echo "$bestWall $bestCpu"
}

ours() { "$extract" "$1" "$work/out"; }
peer_pipe() { unzip -p "$1" >/dev/null; }
peer_files() { unzip -o -qq "$1" -d "$work/out"; }

echo "MB/s of uncompressed output (best of $runs runs), wall clock and CPU time;"
echo "ratio = unzip time / extract time (above 1: extract is faster)"
printf '%-10s %9s | %8s %8s %8s | %8s %8s %8s | %7s %7s %7s %7s\n' set bytes \
  extract "unzip-p" "unzip-d" "cpu:ext" "cpu:-p" "cpu:-d" "wall-p" "wall-d" "cpu-p" "cpu-d"
for set in shrink implode4k implode8k; do
  archive=${!set}
  # The copies hold nothing but the legacy members.
  bytes=$(zipinfo -t "$archive" | awk '{print $3}')
  unzip -tqq "$archive" >/dev/null
  ours "$archive" >/dev/null || { echo "extract failed on $set" >&2; exit 1; }
  read -r wOurs cOurs < <(measure ours "$archive")
  read -r wPipe cPipe < <(measure peer_pipe "$archive")
  read -r wFiles cFiles < <(measure peer_files "$archive")
  awk -v s="$set" -v b="$bytes" -v wo="$wOurs" -v wp="$wPipe" -v wf="$wFiles" \
    -v co="$cOurs" -v cp="$cPipe" -v cf="$cFiles" 'function rate(ms) {
      return ms > 0 ? b / 1e3 / ms : 0
    }
    function ratio(a, o) { return o > 0 ? a / o : 0 }
    BEGIN {
      printf "%-10s %9d | %8.1f %8.1f %8.1f | %8.1f %8.1f %8.1f | %7.2f %7.2f %7.2f %7.2f\n", s, b,
        rate(wo), rate(wp), rate(wf), rate(co), rate(cp), rate(cf),
        ratio(wp, wo), ratio(wf, wo), ratio(cp, co), ratio(cf, co)
    }'
done
