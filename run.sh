#!/usr/bin/env bash
# Installs what is missing, builds Tarrow (Release) into build/ and runs it.
#   ./run.sh              starts the window program
#   ./run.sh ARGS...      runs the command-line program: build/bin/tarrow-cli ARGS...
#   ./run.sh web          builds the browser version and serves it on
#                         http://127.0.0.1:8080/ (Ctrl-C ends it)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

"$here/scripts/install-deps.sh"
if [ "${1:-}" = web ]; then
  dist="$("$here/scripts/build-web.sh")"
  echo "Tarrow in a browser: http://127.0.0.1:8080/ (also opens from $dist/index.html)"
  exec python3 -m http.server 8080 --bind 127.0.0.1 --directory "$dist"
fi
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$here/build" --parallel "$(nproc)" >&2

if [ $# -gt 0 ]; then
  exec "$here/build/bin/tarrow-cli" "$@"
fi
if [ -x "$here/build/bin/tarrow" ]; then
  exec "$here/build/bin/tarrow"
fi
exec "$here/build/bin/tarrow-cli" --help
