#!/usr/bin/env bash
# Installs what is missing, builds Tarrow (Release) into build/ and runs it.
#   ./run.sh              starts the window program
#   ./run.sh ARGS...      runs the command-line program: build/bin/tarrow-cli ARGS...
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$here/build" --parallel "$(nproc)" >&2

if [ $# -gt 0 ]; then
  exec "$here/build/bin/tarrow-cli" "$@"
fi
if [ -x "$here/build/bin/tarrow" ]; then
  exec "$here/build/bin/tarrow"
fi
exec "$here/build/bin/tarrow-cli" --help
