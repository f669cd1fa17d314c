#!/usr/bin/env bash
# Installs what building, running and testing Tarnvale needs on Debian 12 (as root).
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config qt6-base-dev nettle-dev libcli11-dev nlohmann-json3-dev
  libicu-dev libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  fonts-liberation2 xvfb xauth
  python3 python3-xlrd python3-olefile libreoffice-calc-nogui
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
