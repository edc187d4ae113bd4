#!/usr/bin/env bash
# Drives the `setup` program's FLTK window on an X display (run it under scripts/with-xvfb.sh)
# with xdotool, from the known positions of its controls, and checks what it shows and does.
#
#   gui-test.sh pages      PAYLOAD WORK  every page, the picker, the cancel path, uninstall mode
#   gui-test.sh install    PAYLOAD WORK  the wizard to the end of an install into a fresh prefix
#   gui-test.sh uninstall  PAYLOAD WORK  uninstalls what `install` left in WORK
#   gui-test.sh picked     PAYLOAD WORK  installs into the root of C: chosen in the picker
#   gui-test.sh no-display PAYLOAD WORK  without a display: a message and exit code 2
#
# PAYLOAD is the demo payload folder; WORK receives the source folder copies, the prefixes and
# the screenshots (WORK/shots/*.png).
set -euo pipefail

mode=$1
payload=$(realpath "$2")
work=$3
mkdir -p "$work"
work=$(realpath "$work")
shots=$work/shots
mkdir -p "$shots"

fail() {
  echo "FAIL: $*" >&2
  # What the screen showed when it went wrong.
  if [[ $mode != no-display && -n ${shots:-} ]]; then
    import -window root "$shots/failure-$mode.png" 2>/dev/null || true
  fi
  exit 1
}
[[ -x $payload/setup.exe && -f $payload/vx01.zip ]] || fail "no demo payload in $payload"

# Polls `condition` (a command) every 0.1 s for up to `seconds`.
poll() {
  local seconds=$1
  shift
  local tries=$((seconds * 10))
  while ((tries-- > 0)); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

# --- geometry: the page control is centred in the window, which fills the screen -----------
display_ready() { xdpyinfo >/dev/null 2>&1; }
screen_w=0 screen_h=0
if [[ $mode != no-display ]]; then
  poll 30 display_ready || fail "the display ${DISPLAY:-(none)} does not answer"
  read -r screen_w screen_h < <(xdotool getdisplaygeometry)
fi
pages_x=$(((screen_w - 462) / 2))
pages_y=$(((screen_h - 254) / 2))
# Wizard buttons (100 x 29 at top 200): back at 36, next or finish at 136, cancel at 316.
button_y=$((200 + 14))
back_x=$((36 + 50))
next_x=$((136 + 50))
cancel_x=$((316 + 50))

main=""
pid=""


page_area() { import -window root -crop "462x254+${pages_x}+${pages_y}" png:- | md5sum; }
area_changed() { [[ $(page_area) != "$1" ]]; }

shot() { import -window root "$shots/$1.png"; }

# Clicks at a point of the page control and waits until the page area shows the change.
click_page() {
  local before
  before=$(page_area)
  xdotool mousemove --window "$main" $((pages_x + $1)) $((pages_y + $2)) click 1
  poll 10 area_changed "$before" || fail "no change after a click at page point $1,$2"
}

window_by_class() { xdotool search --onlyvisible --class "$1" 2>/dev/null | head -1; }
window_by_name() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }

# Waits for a window, prints its id.
await_window() {
  local how=$1 what=$2 id=""
  for ((i = 0; i < 600; i++)); do
    id=$("window_by_$how" "$what")
    if [[ -n $id ]]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  fail "no window with $how \"$what\""
}

# Starts the program in `folder` against the test prefix and waits for its main window.
start_setup() {
  local folder=$1
  (cd "$folder" && SETUP_PREFIX=$prefix exec ./setup.exe) &
  pid=$!
  main=$(await_window name '^Vorlex Plug-In Setup$')
  # The first show is complete when the page control is drawn at its centred place.
  poll 10 page_drawn || fail "the page control was not drawn"
}

page_drawn() { [[ $(pixel "$((pages_x + 2))" "$((pages_y + 2))") != "0,0,"* ]]; }

# "r,g,b" of a screen pixel.
pixel() {
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- | tail -1 |
    sed -E 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1,\2,\3/'
}

# Count of pixels of an exact colour in a rectangle of a screenshot.
count_colour() {
  local file=$1 geometry=$2 colour=$3
  convert "$file" -crop "$geometry" +repage -fill black +opaque "$colour" -fill white \
    -opaque "$colour" -format '%[fx:int(mean*w*h+0.5)]' info:
}

# Clicks button `index` (0-based) of `count` in a message box and waits for it to close.
answer_box() {
  local box=$1 index=$2 count=$3
  eval "$(xdotool getwindowgeometry --shell "$box")"
  local row=$((WIDTH - (count * 81 - 6)))
  local x=$((row / 2 + index * 81 + 37)) y=$((HEIGHT - 12 - 11))
  xdotool mousemove --window "$box" "$x" "$y" click 1
  poll 10 box_gone "$box" || fail "the message box stayed open"
}
box_gone() { ! xdotool search --onlyvisible --class VorlexSetupMessage 2>/dev/null | grep -qx "$1"; }

# Ended: gone, or a zombie that `wait` has yet to collect.
process_ended() { [[ ! -e /proc/$pid ]] || grep -q '^State:[[:space:]]*Z' "/proc/$pid/status" 2>/dev/null; }

ended_or_box() { process_ended || [[ -n $(window_by_class VorlexSetupMessage) ]]; }

# Waits for the program to end and checks its exit code. A message box shown on the way
# fails the test, with its screenshot.
expect_exit() {
  local want=$1
  poll 30 ended_or_box || fail "the program did not end"
  if ! process_ended; then
    shot unexpected-message
    fail "an unexpected message box \"$(xdotool getwindowname "$(window_by_class VorlexSetupMessage)")\" (see $shots/unexpected-message.png)"
  fi
  local code=0
  wait "$pid" || code=$?
  [[ $code == "$want" ]] || fail "exit code $code, expected $want"
}

# A machine that has never run the setup: the program seeds the prefix at its start.
fresh_prefix() { rm -rf "$prefix"; }

fresh_source() {
  rm -rf "$work/$1"
  mkdir -p "$work/$1"
  cp -a "$payload/." "$work/$1/"
  echo "$work/$1"
}

check_gradient_and_title() {
  local file=$shots/$1.png
  local h=$(((screen_h + 255) / 256))
  local last=$(((screen_h - 1) / h))
  local top bottom
  top=$(convert "$file" -format "%[fx:int(255*p{$((screen_w - 1)),0}.r+0.5)],%[fx:int(255*p{$((screen_w - 1)),0}.g+0.5)],%[fx:int(255*p{$((screen_w - 1)),0}.b+0.5)]" info:)
  bottom=$(convert "$file" -format "%[fx:int(255*p{$((screen_w - 1)),$((screen_h - 1))}.r+0.5)],%[fx:int(255*p{$((screen_w - 1)),$((screen_h - 1))}.g+0.5)],%[fx:int(255*p{$((screen_w - 1)),$((screen_h - 1))}.b+0.5)]" info:)
  [[ $top == "0,0,255" ]] || fail "first band is $top, expected 0,0,255"
  [[ $bottom == "0,0,$((255 - last))" ]] || fail "last visible band is $bottom, expected 0,0,$((255 - last))"
  # The lime title over its white edge and black shadow, near (13, 18).
  local lime white
  lime=$(count_colour "$file" 320x60+0+10 '#00FF00')
  white=$(count_colour "$file" 320x60+0+10 '#FFFFFF')
  ((lime > 800)) || fail "title: only $lime lime pixels"
  ((white > 50)) || fail "title: only $white white edge pixels"
  echo "gradient 0,0,255 .. $bottom; title $lime lime, $white white pixels"
}

run_pages() {
  prefix=$work/pages-prefix
  fresh_prefix
  local source
  source=$(fresh_source pages-source)
  start_setup "$source"
  shot page0-welcome
  check_gradient_and_title page0-welcome

  # A second copy says so in a box of its own and ends with exit code 3.
  local first=$pid
  (cd "$source" && SETUP_PREFIX=$prefix exec ./setup.exe) &
  pid=$!
  local second
  second=$(await_window class VorlexSetupMessage)
  [[ $(xdotool getwindowname "$second") == "Vorlex Setup" ]] || fail "second copy box caption"
  shot second-copy
  answer_box "$second" 0 1
  expect_exit 3
  pid=$first

  click_page "$next_x" "$button_y"
  shot page1-directory
  # The directory box's list: entry 3 opens the picker; its Cancel selects entry 0 again.
  open_picker page1-directory-list
  local picker
  picker=$(await_window class VorlexSetupPicker)
  shot picker
  xdotool mousemove --window "$picker" $((40 + 40)) $((184 + 16)) click 1
  poll 10 window_closed "$picker" || fail "the picker stayed open"
  shot page1-after-picker-cancel

  click_page "$back_x" "$button_y"
  click_page "$next_x" "$button_y"
  click_page "$next_x" "$button_y"
  shot page2-icons
  click_page $((224 + 8)) $((84 + 2 + 6))
  click_page "$next_x" "$button_y"
  shot page4-summary
  click_page "$back_x" "$button_y"
  click_page "$cancel_x" "$button_y"
  local box
  box=$(await_window class VorlexSetupMessage)
  [[ $(xdotool getwindowname "$box") == Information ]] || fail "cancel box caption"
  shot cancel-message
  answer_box "$box" 0 1
  expect_exit 0
  [[ -f $source/setup.exe && -f $source/setup.ini ]] || fail "cancelling removed the payload's files"

  # Without vx01.zip the program offers only the uninstall page; its Storno ends it.
  local empty=$work/pages-empty
  rm -rf "$empty"
  mkdir -p "$empty"
  cp "$payload/setup.exe" "$empty/"
  start_setup "$empty"
  shot page6-uninstall
  xdotool mousemove --window "$main" $((pages_x + 280 + 52)) $((pages_y + 176 + 12)) click 1
  expect_exit 0
}

# Opens the directory list of page 1 and chooses its last entry, "......." (entry 3), which
# opens the picker; `shot` names a screenshot of the open list. A click that the list missed
# is tried again.
open_picker() {
  local attempt list
  for attempt in 1 2 3; do
    xdotool mousemove --window "$main" $((pages_x + 224 + 90)) $((pages_y + 84 + 10)) click 1
    if poll 10 menu_open; then
      [[ -z ${1:-} ]] || shot "$1"
      # The list holds four rows of equal height.
      list=$(menu_window)
      eval "$(xdotool getwindowgeometry --shell "$list")"
      xdotool mousemove --window "$list" $((WIDTH / 2)) $((HEIGHT * 7 / 8)) click 1
      poll 10 picker_open && return 0
    fi
    shot "open-picker-attempt-$attempt"
  done
  fail "the picker did not open"
}
picker_open() { [[ -n $(window_by_class VorlexSetupPicker) ]]; }

# The drop-down list of an FLTK choice: a top-level window without name or class, larger
# than the toolkit's 1 x 1 helper window.
menu_window() {
  xwininfo -root -children | awk '/\(has no name\): \(\)/ && $0 !~ / 1x1\+/ {print $1; exit}'
}
menu_open() { [[ -n $(menu_window) ]]; }
window_closed() { [[ -z $(xdotool search --onlyvisible --class VorlexSetupPicker 2>/dev/null) ]]; }

home_of() { echo "$prefix/drive_c/Program Files/Vorlex"; }
user_dir() {
  local d
  for d in "$prefix"/drive_c/users/*/Desktop; do dirname "$d"; done | head -1
}

run_install() {
  prefix=$work/prefix
  fresh_prefix
  local source
  source=$(fresh_source install-source)
  start_setup "$source"
  click_page "$next_x" "$button_y"
  click_page "$next_x" "$button_y"
  # Both icon places: the check boxes of rows 0 and 1 of ProgIcon.
  click_page $((224 + 8)) $((84 + 2 + 6))
  click_page $((224 + 8)) $((84 + 2 + 13 + 6))
  shot install-page2-ticked
  click_page "$next_x" "$button_y"
  shot install-page4-summary
  xdotool mousemove --window "$main" $((pages_x + next_x)) $((pages_y + button_y)) click 1
  local box
  box=$(await_window class VorlexSetupMessage)
  [[ $(xdotool getwindowname "$box") == Information ]] ||
    fail "the install ended with \"$(xdotool getwindowname "$box")\""
  shot page5-progress-finished
  answer_box "$box" 0 1
  expect_exit 0

  local home user group
  home=$(home_of)
  user=$(user_dir)
  group="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Vorlex"
  for f in Vorlex.exe setup.exe setup.ini Vorlex.ini License.txt Samples/tour.vxd \
    Samples/welcome.vxd Sources/README.txt Sources/tour.vxs Manual/Vorlex.htm; do
    [[ -f $home/$f ]] || fail "installed file missing: $f"
  done
  cmp -s "$home/setup.exe" "$payload/setup.exe" || fail "setup.exe is not the payload's program"
  for f in Vorlex.lnk Manuál.lnk Uninstall.lnk Settings.lnk "Samples/Guided tour.lnk"; do
    [[ -f $group/$f ]] || fail "shortcut missing in the program group: $f"
  done
  [[ -f $user/Desktop/Vorlex.lnk ]] || fail "desktop shortcut missing"
  [[ -f "$user/AppData/Roaming/Microsoft/Windows/Start Menu/Vorlex.lnk" ]] ||
    fail "Start menu shortcut missing"
  grep -qi '"AppDir"="C:\\\\Program Files\\\\Vorlex"' "$prefix/user.reg" ||
    fail "installation record missing from user.reg"
  echo "installed into $home"
}

run_uninstall() {
  prefix=$work/prefix
  local home user group
  home=$(home_of)
  user=$(user_dir)
  group="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Vorlex"
  [[ -x $home/setup.exe ]] || fail "nothing installed in $home (run the install test first)"
  start_setup "$home"
  shot page6-uninstall-installed
  xdotool mousemove --window "$main" $((pages_x + 280 + 52)) $((pages_y + 140 + 12)) click 1
  local box
  box=$(await_window class VorlexSetupMessage)
  shot uninstall-confirm
  answer_box "$box" 0 2
  box=$(await_window class VorlexSetupMessage)
  [[ $(xdotool getwindowname "$box") == "Vorlex Setup" ]] || fail "final box caption"
  shot uninstall-finished
  answer_box "$box" 0 1
  expect_exit 0
  # The self-removal batch erases the program once it has ended; the home folder goes too, or
  # stays behind empty when it is the batch's current folder.
  home_gone() { [[ ! -e $home || -z $(ls -A "$home") ]]; }
  poll 60 home_gone || fail "the home folder still holds: $(ls -A "$home" | tr '\n' ' ')"
  [[ ! -e $group ]] || fail "the program group is still there"
  [[ ! -e $user/Desktop/Vorlex.lnk ]] || fail "the desktop shortcut is still there"
  [[ ! -e "$user/AppData/Roaming/Microsoft/Windows/Start Menu/Vorlex.lnk" ]] ||
    fail "the Start menu shortcut is still there"
  ! grep -qi '"AppDir"' "$prefix/user.reg" || fail "the installation record is still there"
  echo "uninstalled"
}

# Started from C:\payload, the picker opens on drive C:; its first row is the drive itself.
run_picked() {
  prefix=$work/picked-prefix
  fresh_prefix
  # The program seeds the simulated machine at its first start; the payload goes onto its C:
  # drive after that: a first start in a folder without payload, left with Storno.
  local empty=$work/picked-empty
  rm -rf "$empty"
  mkdir -p "$empty"
  cp "$payload/setup.exe" "$empty/"
  start_setup "$empty"
  xdotool mousemove --window "$main" $((pages_x + 280 + 52)) $((pages_y + 176 + 12)) click 1
  expect_exit 0
  [[ -d $prefix/drive_c/users ]] || fail "the first start did not seed the prefix"
  local source=$prefix/drive_c/payload
  mkdir -p "$source"
  cp -a "$payload/." "$source/"
  start_setup "$source"
  click_page "$next_x" "$button_y"
  open_picker
  local picker
  picker=$(await_window class VorlexSetupPicker)
  shot picked-picker-start
  xdotool mousemove --window "$picker" 50 20 click 1
  poll 10 label_changed "$picker" || fail "the picker's path did not follow the tree"
  shot picked-picker-drive
  xdotool mousemove --window "$picker" $((156 + 38)) $((184 + 16)) click 1
  poll 10 window_closed "$picker" || fail "the picker stayed open"
  shot picked-directory
  click_page "$next_x" "$button_y"
  click_page "$next_x" "$button_y"
  shot picked-summary
  xdotool mousemove --window "$main" $((pages_x + next_x)) $((pages_y + button_y)) click 1
  local box
  box=$(await_window class VorlexSetupMessage)
  [[ $(xdotool getwindowname "$box") == Information ]] ||
    fail "the install ended with \"$(xdotool getwindowname "$box")\""
  answer_box "$box" 0 1
  expect_exit 0
  [[ -f $prefix/drive_c/Vorlex/Vorlex.exe && -f $prefix/drive_c/Vorlex/Manual/Vorlex.htm ]] ||
    fail "nothing installed in C:\\Vorlex"
  grep -qi '"AppDir"="C:\\\\Vorlex"' "$prefix/user.reg" || fail "record does not name C:\\Vorlex"
  echo "installed into $prefix/drive_c/Vorlex"
}

# The picker's path label (below the tree) shows more than "C:" once the tree has moved.
label_changed() {
  local id=$1
  eval "$(xdotool getwindowgeometry --shell "$id")"
  [[ $(count_screen_colour "${X}" "$((Y + 160))" 250 14 '#000000') -gt 40 ]]
}
count_screen_colour() {
  import -window root -crop "$3x$4+$1+$2" png:- | convert png:- -fill black +opaque "$5" \
    -fill white -opaque "$5" -format '%[fx:int(mean*w*h+0.5)]' info:
}

run_no_display() {
  local err=$work/no-display.err code=0
  (cd "$payload" && env -u DISPLAY SETUP_PREFIX="$work/no-display-prefix" ./setup.exe) \
    2>"$err" || code=$?
  [[ $code == 2 ]] || fail "exit code $code without a display, expected 2"
  grep -q "display" "$err" || fail "no word on the display: $(cat "$err")"
  echo "without a display: $(cat "$err")"
}

case $mode in
  pages) run_pages ;;
  picked) run_picked ;;
  no-display) run_no_display ;;
  install) run_install ;;
  uninstall) run_uninstall ;;
  *) fail "unknown mode $mode" ;;
esac
echo "screenshots in $shots"
