#!/usr/bin/env bash
# Throughput of the shrink and implode decoders against Info-ZIP unzip on the same archives.
#
# The shrunk and imploded members of the real archives are copied unchanged (zip -U) into one
# archive per kind. Each archive is extracted RUNS times by the extract tool (the setup's own
# extractor, writing files) and by `unzip -p` (to /dev/null) and `unzip -o -d` (writing files);
# the best time of each is kept. Prints MB/s of uncompressed output and the ratio
# extract / unzip (above 1: ours is faster).
#
# usage: bench/legacy-vs-unzip.sh [EXTRACT_TOOL]   (default build/bin/extract)
# environment: FIXTURES (the real archives), RUNS (default 5)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
extract=${1:-$root/build/bin/extract}
fixtures=${FIXTURES:-$root/../shared/fixtures/zip-real}
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

now() { date +%s%N; }

# best NAME COMMAND...: the shortest of RUNS timings of the command, in nanoseconds.
best() {
  local bestTime=0 t0 t1 i
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out" && mkdir -p "$work/out"
    t0=$(now)
    "$@" >/dev/null 2>&1
    t1=$(now)
    if ((bestTime == 0 || t1 - t0 < bestTime)); then bestTime=$((t1 - t0)); fi
  done
  echo "$bestTime"
}

ours() { "$extract" "$1" "$work/out"; }
peer_pipe() { unzip -p "$1" >/dev/null; }
peer_files() { unzip -o -qq "$1" -d "$work/out"; }

printf '%-12s %10s %10s %12s %12s %10s %10s\n' set "bytes" "extract" "unzip -p" "unzip -d" \
  "ratio -p" "ratio -d"
for set in shrink implode4k implode8k; do
  archive=${!set}
  # The copies hold nothing but the legacy members.
  bytes=$(zipinfo -t "$archive" | awk '{print $3}')
  unzip -tqq "$archive" >/dev/null
  ours "$archive" >/dev/null || { echo "extract failed on $set" >&2; exit 1; }
  tOurs=$(best ours "$archive")
  tPipe=$(best peer_pipe "$archive")
  tFiles=$(best peer_files "$archive")
  awk -v s="$set" -v b="$bytes" -v o="$tOurs" -v p="$tPipe" -v f="$tFiles" 'BEGIN {
    mb = b / 1e6
    printf "%-12s %10d %10.1f %12.1f %12.1f %10.2f %10.2f\n", s, b, mb / (o / 1e9),
      mb / (p / 1e9), mb / (f / 1e9), p / o, f / o
  }'
done
echo "(MB/s of uncompressed output, best of $runs runs; ratio = unzip time / extract time)"
