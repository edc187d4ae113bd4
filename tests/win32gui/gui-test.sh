#!/usr/bin/env bash
# gui-test.sh SETUP_EXE GUIDRIVER_EXE WORKDIR
#
# The Windows program end to end, as a user sees it, under 64-bit Wine in the X display that
# scripts/with-xvfb.sh provides (CTest wraps this script in it). In a fresh prefix with a
# Czech locale (ANSI code page 1250):
#   1. install from a payload of Info-ZIP archives made here, through every wizard page and
#      the directory picker, both icon places ticked, with a short.txt; then check the files,
#      the links, the registry record, the log and the progress bars, and that the batch
#      erased the program from LWTEMP;
#   2. uninstall with the installed copy, answering Yes; check that everything the install
#      made is gone and the maker key stays;
#   3. a second copy started while the first runs ends with code 3;
#   4. the window's Czech texts read right under ANSI code page 1252 too;
#   5. unattended runs: /S installs with no window and writes the Apps & features key (read
#      back with reg export), /U started from another folder uninstalls and removes it,
#      /S /D= installs into a folder with a blank, and a /S install into a folder that cannot
#      be made ends with code 1 and a log that says why; the title bar shows the icon.
# Screenshots of every page go to WORKDIR/shots; the gradient and the title are checked on
# the pixels of the first one. Nothing waits a fixed time: every wait polls for a window, a
# process or a file.
set -euo pipefail
if [[ $# -ne 3 ]]; then
  echo "usage: $0 SETUP_EXE GUIDRIVER_EXE WORKDIR" >&2
  exit 2
fi
setup_exe=$(realpath "$1")
driver_exe=$(realpath "$2")
work=$(realpath -m "$3")

rm -rf "$work"
mkdir -p "$work/shots"
source "$(dirname "$0")/gui-env.sh" "$work"

drive_c="$WINEPREFIX/drive_c"
user=$(ls "$drive_c/users" | grep -vx Public | head -n 1)
profile="$drive_c/users/$user"
lwtemp="$profile/Temp/LWTEMP"
programs="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
start_menu="$profile/AppData/Roaming/Microsoft/Windows/Start Menu"
desktop="$profile/Desktop"
home="$drive_c/Program Files/Vorlex"
home_dos='C:\Program Files\Vorlex'

failures=0
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "${wineserver[@]}" -k 2>/dev/null || true
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
expect_eq() {  # what actual expected
  if [[ $2 == "$3" ]]; then echo "ok: $1"; else fail "$1: got [$2], expected [$3]"; fi
}
expect_has() {  # what text needle
  if [[ $2 == *"$3"* ]]; then echo "ok: $1"; else fail "$1: [$3] not in [$2]"; fi
}
expect_file() { if [[ -f $1 ]]; then echo "ok: $1"; else fail "missing file $1"; fi; }
expect_gone() { if [[ ! -e $1 ]]; then echo "ok: gone $1"; else fail "still there: $1"; fi; }

# The driver, in the Czech locale of the programs.
drive() { "${wine[@]}" "$driver_exe" "$@"; }

# Starts a Windows program in the background from a folder (its current directory).
started_pid=
start() {  # unix-folder dos-exe [wine command...]
  local folder=$1 exe=$2
  shift 2
  local -a runner=("${wine[@]}")
  [[ $# -eq 0 ]] || runner=("$@")
  (cd "$folder" && exec "${runner[@]}" "$exe") &
  started_pid=$!
  pids+=("$started_pid")
}
finished() {  # pid expected-exit-code what
  local rc=0
  wait "$1" || rc=$?
  expect_eq "$3 exit code" "$rc" "$2"
}

# A screenshot once the screen has settled: two grabs in a row alike.
shot() {
  local file="$work/shots/$1.png" previous=""
  for _ in $(seq 50); do
    import -window root "$file"
    local sum
    sum=$(convert "$file" rgb:- | md5sum)
    [[ $sum == "$previous" ]] && return 0
    previous=$sum
  done
  fail "screen did not settle for $1"
}
pixel() {  # file x y -> #RRGGBB
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -n 1
}
count_colour() {  # file geometry colour -> number of pixels of that colour
  convert "$1" -crop "$2" -depth 8 txt:- | grep -c "$3" || true
}

# --- the payload ---------------------------------------------------------------------------
payload="$drive_c/payload"
content="$work/content"
mkdir -p "$payload" "$content/vx01/Samples" "$content/sources" "$content/manual/img" "$content/all"
printf 'MZ Vorlex program\r\n' >"$content/vx01/Vorlex.exe"
printf 'Vorlex readme\r\n' >"$content/vx01/readme.txt"
printf 'demo\r\n' >"$content/vx01/Samples/demo.txt"
seq 1 20000 >"$content/sources/main.pas"
printf 'unit util;\r\n' >"$content/sources/util.pas"
printf '<html>Vorlex</html>\r\n' >"$content/manual/Vorlex.htm"
printf 'logo\r\n' >"$content/manual/img/logo.txt"
printf 'extra\r\n' >"$content/all/extra.txt"
(cd "$content/vx01" && zip -q -r -X "$payload/vx01.zip" .)
(cd "$content/sources" && zip -q -r -X "$payload/sources.zip" .)
(cd "$content/manual" && zip -q -r -X "$payload/manual.zip" .)
(cd "$content/all" && zip -q -r -X "$payload/all.zip" .)
cp "$setup_exe" "$payload/setup.exe"
: >"$payload/setup.ini"
printf '[Vorlex]\r\nLanguage=cs\r\n' >"$payload/Vorlex.ini"
# short.txt is in the system code page: one link in a subfolder, one with a Czech name.
printf '\\Samples\\demo.txt;\\Samples;Demo;\r\n\\readme.txt;;Čti mě;\r\n' |
  iconv -f UTF-8 -t CP1250 >"$payload/short.txt"
# The program runs from the LWTEMP folder, from which the batch erases it after the install.
mkdir -p "$lwtemp"
cp "$setup_exe" "$lwtemp/setup.exe"
if [[ ${#as_user[@]} -gt 0 ]]; then
  chown -R "$wine_uid:$wine_gid" "$payload" "$lwtemp"
fi

expect_eq "ANSI code page in the Czech locale" "$(drive acp | tr -d '\r')" "1250"

# --- 1. install ----------------------------------------------------------------------------
echo "== install"
start "$payload" "C:\\users\\$user\\Temp\\LWTEMP\\setup.exe"
setup_pid=$started_pid
read -r cx cy cw ch < <(drive wait-main)
echo "client area at $cx,$cy size ${cw}x$ch"
drive page Portal
controls=$(drive controls)
expect_has "welcome text" "$controls" "Vítejte v instalačním průvodci programu Vorlex.\\r\\n\\r\\nPrůvodce vás bezpečně provede všemi úskalími \\r\\ninstalace."
expect_has "welcome text end" "$controls" "počítači cca 6MB."
expect_has "next button" "$controls" $'Button\tPokračovat'
expect_has "cancel button" "$controls" $'Button\tStorno'
shot 0-welcome

# Pixels: the top band is pure blue, the last visible band is 255 - i for the band i that
# holds the client area's last row, and the title is lime with a white and a black edge.
first=$work/shots/0-welcome.png
band=$(((ch + 255) / 256))
last=$(((ch - 1) / band))
expect_eq "top band colour" "$(pixel "$first" $((cx + cw - 10)) $((cy + 1)))" "#0000FF"
expect_eq "last visible band colour ($last)" "$(pixel "$first" $((cx + cw - 10)) $((cy + ch - 1)))" \
  "$(printf '#0000%02X' $((255 - last)))"
title="230x45+$((cx + 11))+$((cy + 16))"
lime=$(count_colour "$first" "$title" '#00FF00')
white=$(count_colour "$first" "$title" '#FFFFFF')
black=$(count_colour "$first" "$title" '#000000')
echo "title pixels: lime $lime, white $white, black $black"
((lime > 300)) && echo "ok: lime title" || fail "lime title: only $lime pixels"
((white > 30)) && echo "ok: white edge" || fail "white title edge: only $white pixels"
((black > 30)) && echo "ok: black shadow" || fail "black title shadow: only $black pixels"

drive click Pokračovat
drive page DirPage
combo=$(drive combo | tr -d '\r')
expect_eq "directory choices" "$combo" "0
$home_dos
C:\\Vorlex
C:\\users\\$user\\Desktop\\Vorlex
......."
shot 1-directory

# The picker: it opens on the source folder, its label follows the tree, a double-click
# takes the folder (the root of C: gives C:\Vorlex), Cancel falls back to entry 0.
drive select 3
expect_eq "picker label at first show" "$(drive picker | tr -d '\r')" 'C:\payload'
shot 1-picker
drive tree-home
drive picker-label 'C:\'
drive tree-dblclick
drive picker-gone
drive combo-selected 3 'C:\Vorlex'
echo "ok: picked folder"
drive select 3
drive picker >/dev/null
drive click Cancel
drive picker-gone
drive combo-selected 0
echo "ok: cancelled picker selects entry 0"

drive click Pokračovat
drive page IconPage
drive check "Na plochu"
drive check "Do hlavní nabídky START"
controls=$(drive controls)
expect_has "desktop icon ticked" "$controls" $'Na plochu\tticked'
expect_has "start icon ticked" "$controls" $'Do hlavní nabídky START\tticked'
shot 2-icons

drive click Pokračovat
drive page Installpage
controls=$(drive controls)
expect_has "summary names the home directory" "$controls" "$home_dos"
shot 4-summary

drive click Dokončit....
message=$(drive box Information | tr -d '\r')
expect_eq "final message" "$message" "Instalace byla dokončena"
drive page TabSheet1
log=$(drive list | tr -d '\r')
expect_eq "log list" "$log" "Create dir:
 - $home_dos
 - $home_dos\\Sources
 - $home_dos\\Manual
 - $home_dos\\Samples
Prepare copy
Extract files
 - vx01
 - Sources
 - Manual

Link to desktop
Link to START
Update menu START"
controls=$(drive controls)
progress=$(grep '^msctls_progress32' <<<"$controls" | tr -d '\r' | cut -f2,3 | tr '\n' ' ')
expect_eq "progress bars" "$progress" "100%	100 100%	100 "
expect_has "title after the run" "$controls" $'Static\tInstallation is finished'
expect_has "status after the run" "$controls" $'Static\tCreating directory START/Programy'
shot 5-progress
drive box Information 1 >/dev/null
drive gone
finished "$setup_pid" 0 "install"
"${wineserver[@]}" -w

for f in Vorlex.exe readme.txt Samples/demo.txt Sources/main.pas Sources/util.pas \
  Manual/Vorlex.htm Manual/img/logo.txt extra.txt setup.exe setup.ini Vorlex.ini; do
  expect_file "$home/$f"
done
cmp -s "$content/sources/main.pas" "$home/Sources/main.pas" && echo "ok: extracted bytes" ||
  fail "Sources/main.pas differs from its original"
for f in "$desktop/Vorlex.lnk" "$start_menu/Vorlex.lnk" "$programs/Vorlex/Vorlex.lnk" \
  "$programs/Vorlex/Manuál.lnk" "$programs/Vorlex/Uninstall.lnk" \
  "$programs/Vorlex/Samples/Demo.lnk" "$programs/Vorlex/Čti mě.lnk"; do
  expect_file "$f"
done
record=$("${wine[@]}" reg query 'HKCU\software\Korb\Vorlex' /v AppDir | tr -d '\r')
expect_has "installation record" "$record" "AppDir    REG_SZ    $home_dos"
expect_gone "$lwtemp/setup.exe"
expect_file "$payload/setup.exe"

# --- 2. uninstall with the installed copy --------------------------------------------------
echo "== uninstall"
start "$home" "$home_dos\\setup.exe"
setup_pid=$started_pid
drive wait-main >/dev/null
drive page TabSheet2
controls=$(drive controls)
expect_has "uninstall heading" "$controls" $'Static\t--- Uninstall  ---'
expect_has "uninstall heading 2" "$controls" "odstranění programu Vorlex z počítače."
expect_has "uninstall button" "$controls" $'Button\tOdinstalovat...'
shot 6-uninstall
drive click Odinstalovat...
question=$(drive box "" 6 | tr -d '\r')
expect_eq "confirmation" "$question" \
  "Všechny soubory v adresáři  $home_dos  budou smazány !!\\rOpravdu chcete program Vorlex odinstalovat?"
expect_eq "final message" "$(drive box "Vorlex Setup" 1 | tr -d '\r')" "Program Vorlex byl odinstalován"
drive gone
finished "$setup_pid" 0 "uninstall"
"${wineserver[@]}" -w

left=$(find "$home" -mindepth 1 2>/dev/null || true)
expect_eq "home directory emptied" "$left" ""
for f in "$desktop/Vorlex.lnk" "$start_menu/Vorlex.lnk" "$programs/Vorlex"; do expect_gone "$f"; done
if "${wine[@]}" reg query 'HKCU\software\Korb\Vorlex' >/dev/null 2>&1; then
  fail "the installation record is still there"
else
  echo "ok: installation record removed"
fi
if "${wine[@]}" reg query 'HKCU\software\Korb' >/dev/null 2>&1; then
  echo "ok: maker key kept"
else
  fail "the maker key was removed"
fi

# --- 3. a second copy ----------------------------------------------------------------------
echo "== second copy"
start "$payload" 'C:\payload\setup.exe'
first_pid=$started_pid
drive wait-main >/dev/null
drive page Portal
start "$payload" 'C:\payload\setup.exe'
second_pid=$started_pid
expect_eq "second copy message" "$(drive box "Vorlex Setup" 1 | tr -d '\r')" "Instalace byla už spuštěna!"
finished "$second_pid" 3 "second copy"
drive click Storno
expect_eq "cancel message" "$(drive box Information 1 | tr -d '\r')" "Instalace byla zrušena"
drive gone
finished "$first_pid" 0 "first copy"
"${wineserver[@]}" -w
expect_file "$payload/setup.exe"

# --- 4. the texts under ANSI code page 1252 ------------------------------------------------
echo "== code page 1252"
in_english=(env LANG=C.UTF-8 LC_ALL=C.UTF-8 LANGUAGE= "${as_user[@]}" /usr/lib/wine/wine64)
expect_eq "ANSI code page in the C locale" "$("${in_english[@]}" "$driver_exe" acp | tr -d '\r')" "1252"
start "$payload" 'C:\payload\setup.exe' "${in_english[@]}"
setup_pid=$started_pid
drive wait-main >/dev/null
drive page Portal
controls=$(drive controls)
expect_has "welcome text under 1252" "$controls" "Vítejte v instalačním průvodci programu Vorlex."
expect_has "next button under 1252" "$controls" $'Button\tPokračovat'
drive click Pokračovat
drive page DirPage
controls=$(drive controls)
expect_has "label under 1252" "$controls" $'Static\tUmístění programu'
shot 7-cp1252
drive click Storno
drive box Information 1 >/dev/null
drive gone
finished "$setup_pid" 0 "run under 1252"
"${wineserver[@]}" -w

# --- 5. unattended runs, the Apps & features key, the icon --------------------------------
echo "== unattended runs"
temp_log="$profile/Temp/Vorlex-setup.log"
temp_log_dos="C:\\users\\$user\\Temp\\Vorlex-setup.log"
apps_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorlex'
# Runs a setup.exe with switches in a folder, checks that no window shows until its log file
# is there, and expects its exit code.
unattended() {  # unix-folder dos-exe expected-code what unix-log dos-log switches...
  local folder=$1 exe=$2 code=$3 what=$4 log_file=$5 log_dos=$6
  shift 6
  rm -f "$log_file"
  (cd "$folder" && exec "${wine[@]}" "$exe" "$@") &
  local pid=$!
  pids+=("$pid")
  if drive no-window-until "$log_dos"; then
    echo "ok: $what showed no window"
  else
    fail "$what showed a window"
  fi
  finished "$pid" "$code" "$what"
  "${wineserver[@]}" -w
}
# The exported key as UTF-8 lines; nothing when the key is not there.
export_key() {
  rm -f "$drive_c/apps-key.reg"
  "${wine[@]}" reg export "$apps_key" 'C:\apps-key.reg' >/dev/null 2>&1 || return 0
  iconv -f UTF-16 -t UTF-8 "$drive_c/apps-key.reg" | tr -d '\r'
}

unattended "$payload" 'C:\payload\setup.exe' 0 "/S install" "$temp_log" "$temp_log_dos" /S
expect_has "/S log outcome" "$(tr -d '\r' <"$temp_log")" "Done (exit code 0)."
expect_file "$home/Vorlex.exe"
kilobytes=$(find "$home" -type f -printf '%s\n' |
  awk '{s += $1} END {printf "%08x", int((s + 1023) / 1024)}')
key=$(export_key)
home_reg='C:\\Program Files\\Vorlex'
for line in '"DisplayName"="Vorlex"' '"DisplayVersion"="2.12"' '"Publisher"="Korb"' \
  "\"InstallLocation\"=\"$home_reg\"" "\"DisplayIcon\"=\"$home_reg\\\\Vorlex.exe\"" \
  "\"UninstallString\"=\"\\\"$home_reg\\\\setup.exe\\\" /U\"" \
  "\"QuietUninstallString\"=\"\\\"$home_reg\\\\setup.exe\\\" /U /S\"" \
  '"NoModify"=dword:00000001' '"NoRepair"=dword:00000001' "\"EstimatedSize\"=dword:$kilobytes"; do
  expect_has "Apps & features value $line" "$key" "$line"
done

# The key's uninstall string, started from another folder, as Apps & features starts it.
(cd "$profile" && exec "${wine[@]}" "$home_dos\\setup.exe" /U) &
setup_pid=$!
pids+=("$setup_pid")
drive wait-main >/dev/null
drive page TabSheet2
drive click Odinstalovat...
drive box "" 6 >/dev/null
expect_eq "/U final message" "$(drive box "Vorlex Setup" 1 | tr -d '\r')" \
  "Program Vorlex byl odinstalován"
drive gone
finished "$setup_pid" 0 "/U from another folder"
"${wineserver[@]}" -w
expect_eq "/U emptied the home directory" "$(find "$home" -mindepth 1 2>/dev/null || true)" ""
expect_eq "/U removed the Apps & features key" "$(export_key)" ""
expect_gone "$profile/setup.ini"

apps="$drive_c/Apps/Vorlex Test"
unattended "$payload" 'C:\payload\setup.exe' 0 "/S /D= install" "$temp_log" "$temp_log_dos" \
  /S '/D=C:\Apps\Vorlex Test'
expect_file "$apps/Vorlex.exe"
expect_has "/S /D= key" "$(export_key)" '"InstallLocation"="C:\\Apps\\Vorlex Test"'
unattended "$profile" 'C:\Apps\Vorlex Test\setup.exe' 0 "/U /S uninstall" "$drive_c/quiet.log" \
  'C:\quiet.log' /U /S '/LOG=C:\quiet.log'
expect_eq "/U /S emptied its home" "$(find "$apps" -mindepth 1 2>/dev/null || true)" ""
expect_eq "/U /S removed the Apps & features key" "$(export_key)" ""

: >"$payload/blocker"
unattended "$payload" 'C:\payload\setup.exe' 1 "/S into a folder that cannot be made" \
  "$temp_log" "$temp_log_dos" /S '/D=C:\payload\blocker\Vorlex'
failed_log=$(tr -d '\r' <"$temp_log")
expect_has "/S failure log names the folder" "$failed_log" 'C:\payload\blocker\Vorlex'
expect_has "/S failure log says why" "$failed_log" "I can\`t create directory"
expect_has "/S failure log outcome" "$failed_log" "Failed (exit code 1)."
rm -f "$payload/blocker"

# The title bar of the first screenshot carries the program's icon: its box and its arrow.
caption="$work/shots/wine-title-icon.png"
convert "$first" -crop "360x${cy}+0+0" +repage "$caption"
tan=$(count_colour "$caption" "40x${cy}+0+0" '#C89250')
green=$(convert "$caption" -crop "40x${cy}+0+0" +repage -fx '(g > r + 0.15 && g > b + 0.1) ? 1 : 0' \
  -format '%[fx:round(mean * w * h)]' info:)
((tan > 4 && green > 4)) && echo "ok: icon in the title bar" ||
  fail "icon in the title bar: $tan box and $green arrow pixels"

echo "screenshots in $work/shots"
if ((failures > 0)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all GUI checks passed"
