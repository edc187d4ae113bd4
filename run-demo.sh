#!/usr/bin/env bash
# Builds the Linux programs and starts the installer on the bundled demo payload, against a
# demo prefix of its own (nothing outside build/ is touched).
#
#   ./run-demo.sh              the install wizard, started in the payload folder
#   ./run-demo.sh uninstall    the installed copy, started in its home folder, as the
#                              program group's "Uninstall" shortcut would start it
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)"

payload=build/linux-release/demo/payload
if [[ ! -x $payload/setup.exe ]]; then
  echo "The demo payload was not built: $payload/setup.exe is missing." >&2
  exit 1
fi
if [[ -z ${DISPLAY:-} ]]; then
  echo "No display: run this under a virtual one, for example" >&2
  echo "  scripts/with-xvfb.sh ./run-demo.sh" >&2
  exit 1
fi
export SETUP_PREFIX=$PWD/build/demo-prefix

case ${1:-install} in
  install)
    # A copy of the payload is the source folder: the setup writes its texts back into the
    # source folder's setup.ini, and the built payload stays as the build made it.
    source=build/demo-source
    rm -rf "$source"
    cp -a "$payload" "$source"
    cd "$source"
    echo "Installing into $SETUP_PREFIX/drive_c (uninstall with: ./run-demo.sh uninstall)"
    exec ./setup.exe
    ;;
  uninstall)
    home="$SETUP_PREFIX/drive_c/Program Files/Vorlex"
    if [[ ! -x $home/setup.exe ]]; then
      echo "Nothing installed in $home: run ./run-demo.sh first." >&2
      exit 1
    fi
    cd "$home"
    exec ./setup.exe
    ;;
  *)
    echo "usage: ./run-demo.sh [install|uninstall]" >&2
    exit 2
    ;;
esac
