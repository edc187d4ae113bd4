#!/usr/bin/env bash
# wine-run.sh PREFIXDIR EXE [ARGS...]: runs a Windows program in the prefix that
# make-prefix.sh made, with the program's exit code as this script's. Returns once every
# process of the prefix has ended (a batch the program started included) and the server
# has saved the registry, so the next run starts from a settled prefix.
set -uo pipefail
if [[ $# -lt 2 ]]; then
  echo "usage: $0 PREFIXDIR EXE [ARGS...]" >&2
  exit 2
fi
source "$(dirname "$0")/env.sh" "$1"
shift
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "wine-run.sh: no prefix in $wine_dir (run make-prefix.sh first)" >&2
  exit 2
fi

"${wine[@]}" "$@"
rc=$?
# What the program left running (a batch it started) has this long to end; then it is
# stopped and the run fails, rather than holding the test until its timeout.
if ! timeout 120 "${wineserver[@]}" -w; then
  echo "wine-run.sh: Windows processes still running 120 s after the program ended; stopped" >&2
  "${wineserver[@]}" -k
  [[ $rc -ne 0 ]] || rc=1
fi
exit "$rc"
