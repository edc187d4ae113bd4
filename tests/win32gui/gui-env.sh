# Sourced by gui-test.sh and gui-run.sh with one argument, a folder: makes a fresh 64-bit
# Wine prefix in FOLDER/wine (Czech locale, no window manager, as tests/wine/make-prefix.sh
# makes it), then sets up this shell to run Windows programs in it on the caller's X display
# (scripts/with-xvfb.sh's): the environment of tests/wine/env.sh, DISPLAY, a display cookie
# the programs' user can read when the display has one, and Wine's own fonts in the prefix.
if [[ -z ${DISPLAY:-} ]]; then
  echo "no X display; run under scripts/with-xvfb.sh" >&2
  exit 2
fi
gui_display=$DISPLAY
gui_xauthority=${XAUTHORITY:-}
gui_wine_tools="$(cd "$(dirname "${BASH_SOURCE[0]}")/../wine" && pwd)"
mkdir -p "$1"
"$gui_wine_tools/make-prefix.sh" "$1/wine" >"$1/make-prefix.txt" 2>&1 ||
  { cat "$1/make-prefix.txt" >&2; exit 1; }
# shellcheck source=../wine/env.sh
source "$gui_wine_tools/env.sh" "$1/wine"
export DISPLAY=$gui_display
if [[ -n $gui_xauthority ]]; then
  cp "$gui_xauthority" "$wine_dir/xauthority"
  [[ ${#as_user[@]} -eq 0 ]] || chown "$wine_uid:$wine_gid" "$wine_dir/xauthority"
  export XAUTHORITY="$wine_dir/xauthority"
fi
# Without Wine's own fonts the captions are drawn with placeholder glyphs.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
