#!/usr/bin/env bash
# make-prefix.sh PREFIXDIR: makes a fresh 64-bit Wine prefix in PREFIXDIR for wine-run.sh,
# replacing whatever was there, and returns once Wine has finished setting it up.
set -euo pipefail
if [[ $# -ne 1 ]]; then
  echo "usage: $0 PREFIXDIR" >&2
  exit 2
fi
source "$(dirname "$0")/env.sh" "$1"

# A server still serving the old prefix would write its registry into the new one.
if [[ -d "$WINEPREFIX" ]]; then
  "${wineserver[@]}" -k 2>/dev/null || true
  "${wineserver[@]}" -w 2>/dev/null || true
fi
rm -rf "$wine_dir"
mkdir -p "$HOME" "$wine_locale"
localedef -i cs_CZ -f UTF-8 "$wine_locale/cs_CZ.UTF-8"
if [[ ${#as_user[@]} -gt 0 ]]; then
  chown "$wine_uid:$wine_gid" "$wine_dir" "$HOME"
fi

# The 32-bit half of a new prefix cannot be set up here; Wine says so on stderr.
"${wine[@]}" wineboot -i 2> >(grep -v 'syswow64' >&2)
# No window manager under Xvfb: without this, maximised windows come out small and every
# close stalls.
"${wine[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
# Fonts as on a user's Windows. The window asks for "MS Sans Serif" with the Central
# European character set and for "Arial". Wine registers the MS Sans Serif bitmaps of the
# ANSI code page only: register the Central European ones as well, so that every code page
# gets them; and draw Arial with Liberation Sans, its metric twin, kept in the prefix.
"${wine[@]}" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
  /v 'MS Sans Serif CE 8,10,12,14,18,24' /t REG_SZ /d sserifee.fon /f >/dev/null
"${wine[@]}" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ \
  /d 'Liberation Sans' /f >/dev/null
# The prefix is complete when the server has saved the registry and ended.
"${wineserver[@]}" -w
test -f "$WINEPREFIX/system.reg"
fonts=$WINEPREFIX/drive_c/windows/Fonts
"${as_user[@]}" cp /usr/share/wine/fonts/sserifee.fon \
  /usr/share/fonts/truetype/liberation2/LiberationSans-{Regular,Bold}.ttf "$fonts/"

# Wine points Desktop, Documents and the like at $HOME, all at one folder; on Windows they
# are folders of their own, so make them so.
find "$WINEPREFIX/drive_c/users" -type l -lname "$HOME*" -print0 |
  while IFS= read -r -d '' link; do
    rm "$link"
    "${as_user[@]}" mkdir "$link"
  done
