#!/usr/bin/env bash
# Pictures of the deal viewer (two window sizes), the hand editor and a board
# rendered by tarrow-cli, from a freshly dealt set, into a folder (default
# build/screenshots).  Needs a Release build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/screenshots}
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen TARROW_CONFIG_DIR="$out/config"
set_file="$out/screenshots.pbn"
# Two threads for a short while: enough analysis for some double-dummy
# texts; an interrupted analysis still leaves a saved set.
timeout -s INT 20 build/bin/tarrow-cli deal --seed "Screenshots" --out "$set_file" --threads 2 \
  >/dev/null 2>&1 || true
build/bin/tarrow-viewer-screenshots "$set_file" "$out"
build/bin/tarrow-cli render "$set_file" --board 5 --size 1024x640 --out "$out/render-1024x640.png"
ls "$out"/*.png
