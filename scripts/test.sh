#!/usr/bin/env bash
# The whole test suite: installs what is needed, then builds and tests the 64-bit,
# the sanitizer and the 32-bit flavours.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
# Qt and fontconfig keep a few allocations for the life of the process; only those are
# named here, every other leak still fails the sanitizer run.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
for flavour in release asan m32; do
  echo "=== $flavour ==="
  scripts/build.sh "$flavour"
  # Tests that start the programs as separate processes need a native kernel for
  # 32-bit code, so the emulated flavour leaves them (label "process") out.
  exclude=()
  [ "$flavour" = m32 ] && exclude=(-LE process)
  scripts/isolated.sh ctest --test-dir "build/$flavour" --output-on-failure -j 2 --timeout 600 "${exclude[@]}"
done
