#!/usr/bin/env bash
# Builds the browser version into build-web/dist/: the page (web/page/), the
# core as WebAssembly (Debian's emscripten) and the wasm's bytes as a script,
# so that the page runs from file:// as well as from any static host.
#   scripts/build-web.sh            prints the dist folder's path when done
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$here/build-web"
dist="$out/dist"

# emscripten's optimizer and its JavaScript tools load acorn through Node.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
# Debian's emscripten brings its system libraries prebuilt in a frozen cache
# under /usr/share; the build needs nothing else and writes nothing there.
mkdir -p "$out/fonts" "$dist"

# The font metrics, read natively from the faces this machine has.
g++ -std=c++20 -O1 -I"$here" "$here/web/src/font_table_gen.cpp" "$here/pdf/font_metrics.cpp" \
  "$here/core/cp1252.cpp" $(pkg-config --cflags --libs freetype2 fontconfig) -o "$out/fonts/font_table_gen"
"$out/fonts/font_table_gen" >"$out/fonts/font_table.inc.new"
if ! cmp -s "$out/fonts/font_table.inc.new" "$out/fonts/font_table.inc"; then
  mv "$out/fonts/font_table.inc.new" "$out/fonts/font_table.inc"
else
  rm "$out/fonts/font_table.inc.new"
fi

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
emcmake cmake -S "$here/web" -B "$out/wasm" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
  -DFONT_TABLE="$out/fonts/font_table.inc" >/dev/null
cmake --build "$out/wasm" --parallel "$(nproc)" >&2

# The page, the factory script, and the module's bytes as a classic script:
# a page opened from file:// may run scripts beside it but not fetch files,
# so the page never asks for tarrow.wasm itself (it stays in build-web/wasm/).
rm -rf "$dist"
mkdir -p "$dist"
cp "$here"/web/page/* "$dist/"
cp "$out/wasm/tarrow.js" "$dist/tarrow.js"
python3 - "$out/wasm/tarrow.wasm" "$dist/tarrow-wasm.js" <<'PY'
import base64, sys
data = open(sys.argv[1], 'rb').read()
with open(sys.argv[2], 'w') as f:
    f.write('// The WebAssembly core (tarrow.wasm), base64: written by scripts/build-web.sh.\n')
    f.write('var tarrowWasmBase64 = "%s";\n' % base64.b64encode(data).decode())
PY
echo "$dist"
