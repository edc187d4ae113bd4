# Sourced by make-prefix.sh and wine-run.sh: the environment of a quiet, headless,
# self-contained 64-bit Wine run in the folder $1 (HOME and WINEPREFIX both inside it).
# 64-bit only: this machine runs no 32-bit Linux code, so Wine's 32-bit half cannot start.
wine_dir=$(realpath -m "$1")
export HOME="$wine_dir/home"
export WINEPREFIX="$wine_dir/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
# The server itself, not Debian's wrapper script, which puts "-p0" before our options.
export WINESERVER=/usr/lib/wine/wineserver64

# Windows programs run as an ordinary user, never as root: root writes into read-only
# files, which Windows refuses, so a run as root would hide such faults.
as_user=()
if [[ $(id -u) -eq 0 ]]; then
  wine_uid=$(id -u nobody)
  wine_gid=$(id -g nobody)
  as_user=(setpriv --reuid="$wine_uid" --regid="$wine_gid" --clear-groups)
fi
# A Czech system, as the program's users have: ANSI code page 1250, OEM 852. The locale is
# built into the folder by make-prefix.sh, so the host needs none installed.
wine_locale="$wine_dir/locale"
in_czech=(env LOCPATH="$wine_locale" LANG=cs_CZ.UTF-8 LC_ALL=cs_CZ.UTF-8 LANGUAGE=)
wine=("${in_czech[@]}" "${as_user[@]}" /usr/lib/wine/wine64)
wineserver=("${in_czech[@]}" "${as_user[@]}" "$WINESERVER")
