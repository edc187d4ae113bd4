#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build, the tests and the demo use.
set -euo pipefail
packages=(
  cmake make g++ clang libclang-rt-14-dev clang-format
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
  wine wine64 fonts-wine fonts-liberation2 xvfb xauth x11-utils xdotool imagemagick locales
  libfltk1.3-dev zlib1g-dev libdeflate-dev zip unzip libarchive-tools p7zip-full file time
  python3 python3-pefile
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
