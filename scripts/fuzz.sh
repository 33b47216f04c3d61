#!/usr/bin/env bash
# Builds the fuzz harnesses of fuzz/ with clang and libFuzzer into build/fuzz and runs each for
# the given number of seconds (default 30), printing how many inputs each one ran.  Each harness
# keeps its corpus in build/fuzz/corpus/<name>, seeded from fuzz/seeds/<name>/ when that exists;
# a harness that fails leaves its crashing input in build/fuzz/artifacts/<name>/.
#   scripts/fuzz.sh [seconds-per-harness]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
scripts/setup.sh

build=build/fuzz
# Optimised with debug information, assertions kept.
CC=clang-15 CXX=clang++-15 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DVOZMIRA_FUZZ=ON -DVOZMIRA_TESTS=OFF \
  -DVOZMIRA_BENCH=OFF
harnesses=()
for source in fuzz/fuzz_*.cpp; do
  harnesses+=("$(basename "$source" .cpp)")
done
cmake --build "$build" --target "${harnesses[@]}"

export ASAN_OPTIONS="abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The same leak suppressions and thread-local-storage setting as the tests (scripts/test.sh):
# the embedded database engine keeps process-wide caches it never frees.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:use_tls=0"

failed=()
for name in "${harnesses[@]}"; do
  corpus="$build/corpus/$name"
  artifacts="$build/artifacts/$name"
  mkdir -p "$corpus" "$artifacts"
  seeds=()
  if [ -d "fuzz/seeds/$name" ]; then seeds=("fuzz/seeds/$name"); fi
  log="$build/$name.log"
  echo "fuzz: $name for $seconds s"
  if "$build/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
       -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    echo "fuzz: $name ran ${runs:-?} inputs"
  else
    echo "fuzz: $name FAILED; see $log and $artifacts/"
    tail -n 30 "$log"
    failed+=("$name")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failures in ${failed[*]}"
  exit 1
fi
