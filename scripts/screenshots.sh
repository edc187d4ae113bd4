#!/usr/bin/env bash
# Regenerates docs/screenshots/: runs the window tests of both builds (the Linux window under
# Xvfb, the Windows program under Wine), which leave a screenshot of every page, and copies
# the wizard's pages from them, reduced to a small palette.
#   scripts/screenshots.sh            build both presets, run the tests, copy
#   scripts/screenshots.sh --copy     only copy from the screenshots the last runs left
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [[ ${1:-} != --copy ]]; then
  for preset in linux-release win-x86_64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)"
  done
  ctest --preset linux-release -R '^gui_(pages|install|uninstall)$' --output-on-failure
  ctest --preset win-x86_64 -R '^gui_install_uninstall$' --output-on-failure
fi

linux=build/linux-release/tests/gui/work/shots
windows=build/win-x86_64/gui/shots
out=docs/screenshots
mkdir -p "$out"

# copy SOURCE NAME: SOURCE (the whole 1024 x 768 screen) as NAME.png, reduced to a palette.
copy() {
  [[ -f $1 ]] || { echo "missing screenshot $1" >&2; exit 1; }
  convert "$1" -strip -dither None -colors 48 "PNG8:$out/$2.png"
}

names=(0-welcome 1-directory 1-picker 2-icons 4-summary 5-progress 6-uninstall)
linux_shots=(page0-welcome page1-directory picker install-page2-ticked install-page4-summary
             page5-progress-finished page6-uninstall-installed)
windows_shots=(0-welcome 1-directory 1-picker 2-icons 4-summary 5-progress 6-uninstall)
for i in "${!names[@]}"; do
  copy "$linux/${linux_shots[$i]}.png" "linux-${names[$i]}"
  copy "$windows/${windows_shots[$i]}.png" "windows-${names[$i]}"
done
ls -l "$out"/*.png
