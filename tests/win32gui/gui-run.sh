#!/usr/bin/env bash
# gui-run.sh WORKDIR EXE [ARGS...]: runs a Windows test program that opens windows, in a
# fresh prefix in WORKDIR, on the X display of the caller (xvfb-run's). The program's exit
# code is the script's.
set -uo pipefail
if [[ $# -lt 2 ]]; then
  echo "usage: $0 WORKDIR EXE [ARGS...]" >&2
  exit 2
fi
work=$(realpath -m "$1")
shift
rm -rf "$work"
source "$(dirname "$0")/gui-env.sh" "$work"
"${wine[@]}" "$@"
rc=$?
"${wineserver[@]}" -w
exit "$rc"
