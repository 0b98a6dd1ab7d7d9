#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Tarrow needs.
# Idempotent: when everything is present it only asks dpkg and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  zlib1g-dev
  libfreetype-dev libfontconfig-dev fontconfig fonts-liberation fonts-urw-base35
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev
  libbenchmark-dev libdds-dev
  dealer
  qpdf poppler-utils
  chromium
  emscripten node-acorn
  cups printer-driver-cups-pdf libcups2-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth
  dpkg-dev lintian man-db appstream
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
# A fresh machine has no package lists yet; refresh them once before installing.
if ! "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
