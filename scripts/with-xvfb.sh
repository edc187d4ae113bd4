#!/usr/bin/env bash
# with-xvfb.sh COMMAND [ARGS...]: runs COMMAND on a virtual X display of its own and returns
# its exit code.
#
# Xvfb is started with -displayfd: the server itself takes the first free display number
# (holding its lock file and socket) and only then writes the number to us, so two of these
# started at once, or any other X server on the machine, can never be handed the same
# display. The display is asked to answer (xdpyinfo) before COMMAND starts, and the server is
# stopped when this script ends, whatever way it ends.
#
# environment: XVFB_SCREEN, the screen's size and depth (default 1024x768x24).
set -uo pipefail
if [[ $# -lt 1 ]]; then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi
for tool in Xvfb xdpyinfo; do
  command -v "$tool" >/dev/null || { echo "with-xvfb.sh: $tool is missing" >&2; exit 2; }
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/with-xvfb.XXXXXX") || exit 2
xvfb_pid=
child_pid=
stop() {
  if [[ -n $child_pid ]] && kill -0 "$child_pid" 2>/dev/null; then
    kill -TERM "$child_pid" 2>/dev/null
    wait "$child_pid" 2>/dev/null
  fi
  if [[ -n $xvfb_pid ]]; then
    kill -TERM "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$dir"
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# No -auth: access stays with local clients, as the tests' other user (Wine's) needs it.
Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset \
  3>"$dir/display" </dev/null >"$dir/xvfb.log" 2>&1 &
xvfb_pid=$!

# The number arrives, with a newline, once the server accepts connections.
display=
for ((tries = 0; tries < 300; tries++)); do
  if [[ -s $dir/display ]] && (($(wc -l <"$dir/display") >= 1)); then
    display=$(head -n1 "$dir/display")
    break
  fi
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    break
  fi
  sleep 0.1
done
if [[ ! $display =~ ^[0-9]+$ ]]; then
  echo "with-xvfb.sh: Xvfb did not start" >&2
  cat "$dir/xvfb.log" >&2
  exit 2
fi
export DISPLAY=:$display
unset XAUTHORITY

answered=0
for ((tries = 0; tries < 100; tries++)); do
  if xdpyinfo >/dev/null 2>&1; then
    answered=1
    break
  fi
  sleep 0.1
done
if ((!answered)); then
  echo "with-xvfb.sh: display $DISPLAY does not answer" >&2
  cat "$dir/xvfb.log" >&2
  exit 2
fi

# In the background, so that a signal to this script stops the command and the server at once.
"$@" &
child_pid=$!
wait "$child_pid"
rc=$?
child_pid=
exit "$rc"
