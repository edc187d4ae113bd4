#!/usr/bin/env bash
# Builds every preset (Linux release, debug and sanitizers; Windows i686 and x86_64) and
# passes all tests: the Linux suites natively, the Windows suites under 64-bit Wine.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

jobs=$(nproc)
for preset in linux-release linux-debug linux-asan win-x86_64 win-i686; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

scripts/check-product.sh build/win-i686/bin/setup.exe
# The Windows test sources hold for the product's architecture too (syntax and types only).
cmake -DBUILD=build/win-x86_64 -P scripts/check-tests-i686.cmake

# Window tests (label "gui") run one at a time after the rest, each on its own virtual
# display; a window test that fails is run once more, and a second failure fails the run.
for preset in linux-release linux-asan win-x86_64; do
  echo "== test $preset"
  ctest --preset "$preset" -j "$jobs" -LE gui
  echo "== test $preset (windows)"
  ctest --preset "$preset" -L gui --repeat until-pass:2
done

# The libFuzzer targets (clang), each run for a fixed time under the CTest label "fuzz".
echo "== build linux-fuzz"
cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz -j "$jobs"
echo "== test linux-fuzz"
ctest --preset linux-fuzz -j "$jobs"
