#!/usr/bin/env bash
# Installs what is missing, checks the sources' layout against
# .clang-format, builds Tarrow and runs every test: the Release build, the
# browser version in headless Chromium, the Debian package (built, checked,
# installed, run and removed), then the same tests under
# AddressSanitizer + UndefinedBehaviorSanitizer, then the threaded analysis
# tests under ThreadSanitizer, then the fuzzers for a short while.  Exits
# non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
jobs=$(nproc)

# Compiler caching: a build of unchanged sources (another clone, a second
# run) takes its objects from the cache.  Paths are taken relative to the
# checkout, so two clones share it.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

configure() {  # dir, extra cmake arguments...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
}
configure_and_build() {  # dir, extra cmake arguments...
  configure "$@"
  cmake --build "$1" --parallel "$jobs"
}

# TARROW_SKIP_SLOW=1 leaves out the long cross-checks against the peer
# solver, for quick runs while developing; CI always runs them.
slow=()
if [ "${TARROW_SKIP_SLOW:-0}" = 1 ] && [ "${CI:-}" != true ]; then slow=(--label-exclude slow); fi

echo "== Source layout (.clang-format)"
scripts/check-format.sh

echo "== Release build and tests"
configure_and_build build -DCMAKE_BUILD_TYPE=Release
ctest --test-dir build --output-on-failure --parallel "$jobs" "${slow[@]}"

echo "== Browser version (WebAssembly in headless Chromium)"
scripts/build-web.sh >/dev/null
g++ -std=c++20 -O2 -c -Dcompress2=web_compress2 -Iweb/src/zlib web/src/deflate.cpp -o build-web/deflate.o
g++ -std=c++20 -O2 web/tests/deflate_test.cpp build-web/deflate.o -lz -o build-web/deflate_test
build-web/deflate_test
python3 web/tests/page_test.py build-web/dist build/bin/tarrow-cli --screenshots build-web/screenshots

echo "== Debian package (from the Release build)"
package=$(scripts/package-deb.sh)
scripts/check-deb.sh "$package"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer (the window too, offscreen)"
# LeakSanitizer is on, with nothing suppressed: Qt and fontconfig free what
# the tests' windows allocate once the application object is gone.
configure_and_build build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARROW_SANITIZE=ON \
  -DTARROW_BUILD_BENCH=OFF -DTARROW_BUILD_UI=ON
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure --parallel "$jobs" --label-exclude slow

if [ -d analysis ]; then
  echo "== ThreadSanitizer (threaded analysis tests)"
  configure build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARROW_TSAN=ON \
    -DTARROW_BUILD_BENCH=OFF -DTARROW_BUILD_UI=OFF
  cmake --build build-tsan --parallel "$jobs" --target tarrow_thread_tests
  TSAN_OPTIONS=halt_on_error=1 \
    ctest --test-dir build-tsan --output-on-failure --parallel "$jobs" --label-regex threads
fi

if [ -x scripts/run-fuzzers.sh ]; then
  echo "== Fuzzers"
  scripts/run-fuzzers.sh 20
fi

echo "All tests passed."
