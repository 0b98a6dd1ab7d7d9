#!/usr/bin/env bash
# Builds the libFuzzer targets of the file readers with clang, AddressSanitizer
# and UndefinedBehaviorSanitizer into build-fuzz/, and runs each for SECONDS
# (default 20) from its seed corpus in files/fuzz/corpus/<target>/.  Inputs
# the fuzzers find go to build-fuzz/corpus/ (the seeds in the repository stay
# as they are); a crash, leak, sanitizer report or timeout fails the script
# and leaves the input in build-fuzz/artifacts/.
#   scripts/run-fuzzers.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}

targets=(pbn_reader pbn_game_scanner bre_reader ber_reader bri_reader dup_reader settings_loader)
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

# ccache, where there is one, serves the fuzz build as it serves the others.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTARROW_FUZZ=ON -DTARROW_BUILD_UI=OFF -DTARROW_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

mkdir -p build-fuzz/artifacts
for target in "${targets[@]}"; do
  echo "== fuzz_$target for ${seconds}s"
  work=build-fuzz/corpus/$target
  mkdir -p "$work"
  extra=()
  [ -f "files/fuzz/$target.dict" ] && extra+=("-dict=files/fuzz/$target.dict")
  log=build-fuzz/fuzz_$target.log
  status=0
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "build-fuzz/bin/fuzz_$target" "$work" "files/fuzz/corpus/$target" \
    -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/artifacts/$target-" "${extra[@]}" >"$log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done)' "$log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "fuzz_$target found a problem (exit $status); see $log and build-fuzz/artifacts/" >&2
    exit 1
  fi
done
echo "Fuzzers found nothing."
