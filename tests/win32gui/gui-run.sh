#!/usr/bin/env bash
# gui-run.sh WORKDIR EXE [ARGS...]: runs a Windows test program that opens windows, in a
# fresh prefix in WORKDIR, on the X display of the caller (scripts/with-xvfb.sh's): once in
# the Czech locale (ANSI code page 1250), once in the C locale (1252). It fails when either
# run fails.
set -uo pipefail
if [[ $# -lt 2 ]]; then
  echo "usage: $0 WORKDIR EXE [ARGS...]" >&2
  exit 2
fi
work=$(realpath -m "$1")
shift
rm -rf "$work"
source "$(dirname "$0")/gui-env.sh" "$work"
rc=0
echo "== ANSI code page 1250"
"${wine[@]}" "$@" || rc=$?
"${wineserver[@]}" -w
echo "== ANSI code page 1252"
env LANG=C.UTF-8 LC_ALL=C.UTF-8 LANGUAGE= "${as_user[@]}" /usr/lib/wine/wine64 "$@" || rc=$?
"${wineserver[@]}" -w
exit "$rc"
