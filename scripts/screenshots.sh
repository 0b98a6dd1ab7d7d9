#!/usr/bin/env bash
# Starts the window program under a virtual X display (Xvfb), deals a set and
# saves a picture of each tab, of the deal viewer at two window sizes and of
# the hand editor into docs/screenshots/ (or the folder given).
#   scripts/screenshots.sh [OUTDIR]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$here/docs/screenshots}"

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$here/build" --parallel 2 --target tarrow-screenshots >&2
# A desktop-sized screen; the window keeps its own default size.
xvfb-run -a -s "-screen 0 1280x900x24" "$here/build/bin/tarrow-screenshots" "$out"
