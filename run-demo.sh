#!/usr/bin/env bash
# Builds the Linux programs and starts the installer on the bundled demo payload, against a
# demo prefix of its own (nothing outside build/ is touched).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)"

payload=build/linux-release/demo/payload
if [[ ! -d $payload ]]; then
  echo "The installer's window is not built yet: the programs in build/bin/ are built," >&2
  echo "but there is no demo payload to install. Try build/bin/extract ARCHIVE FOLDER." >&2
  exit 1
fi
if [[ -z ${DISPLAY:-} ]]; then
  echo "No display: run this under a virtual one, for example" >&2
  echo "  xvfb-run -a -s '-screen 0 1024x768x24' ./run-demo.sh" >&2
  exit 1
fi
export SETUP_PREFIX=$PWD/build/demo-prefix
cd "$payload"
exec ./setup
