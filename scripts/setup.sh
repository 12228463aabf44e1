#!/usr/bin/env bash
# Installs what the project needs from Debian's packages (idempotent).
set -euo pipefail

packages=(cmake ninja-build g++ clang googletest libgtest-dev libgmock-dev libbenchmark-dev
          libsqlite3-dev qt6-base-dev g++-multilib libsqlite3-dev:i386 qemu-user iproute2 util-linux)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
elif [ "${need_update:-0}" = 1 ]; then
  apt-get update -qq
fi
