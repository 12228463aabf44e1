#!/usr/bin/env bash
# Configures and builds one flavour into build/<flavour>:
#   release (default): 64-bit, with Qt when available
#   asan:              64-bit, AddressSanitizer + UndefinedBehaviorSanitizer
#   m32:               32-bit x86, everything that does not need Qt (tests under qemu-i386)
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-release}
dir=build/$flavour
case "$flavour" in
  release) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    args=(-DCMAKE_BUILD_TYPE=Debug -DVX_SANITIZE=ON -DVX_BENCH=OFF) ;;
  m32)     args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_WITH_QT=OFF -DVX_BENCH=OFF
                 -DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32
                 # This kernel may run no 32-bit code itself: tests run under qemu's
                 # user-mode emulator, which runs them unchanged.
                 -DCMAKE_CROSSCOMPILING_EMULATOR=qemu-i386) ;;
  fuzz)    args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_FUZZ=ON -DVX_WITH_QT=OFF -DVX_BENCH=OFF
                 -DVX_TESTS=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "unknown flavour $flavour" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -G Ninja "${args[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
