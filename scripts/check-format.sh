#!/usr/bin/env bash
# Fails when a C++ source of the project drifts from .clang-format, and names
# the files.  Checks every tracked .h/.cpp except the copy of zlib's header
# that the browser build carries as it comes.  To mend the tree:
#   git ls-files '*.h' '*.cpp' ':!web/src/zlib' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."

report=$(mktemp)
trap 'rm -f "$report"' EXIT
files=()
list_sources() {  # tracked sources in a checkout; otherwise every source outside the build folders
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files '*.h' '*.cpp' ':!web/src/zlib'
  else
    find . \( -path './build*' -o -path ./web/src/zlib \) -prune -o \( -name '*.h' -o -name '*.cpp' \) -print
  fi
}
while IFS= read -r f; do files+=("$f"); done < <(list_sources)
[ ${#files[@]} -gt 0 ] || { echo "check-format: no C++ sources found under $PWD" >&2; exit 1; }
if ! clang-format --dry-run -Werror "${files[@]}" 2>"$report"; then
  echo "check-format: these files drift from .clang-format (run clang-format -i on them):" >&2
  grep -o '^[^:]*:[0-9]*:[0-9]*: error' "$report" | cut -d: -f1 | sort -u | sed 's/^/  /' >&2
  exit 1
fi
