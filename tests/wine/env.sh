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
wine=/usr/lib/wine/wine64
# The server itself, not Debian's wrapper script, which puts "-p0" before our options.
wineserver=/usr/lib/wine/wineserver64
export WINESERVER="$wineserver"
