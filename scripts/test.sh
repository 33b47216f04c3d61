#!/usr/bin/env bash
# Sets up, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer, and runs every
# test through CTest; then builds the server's and the page layer's tests with ThreadSanitizer and
# runs them again; then runs every fuzz harness for a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

build=build/sanitize
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOZMIRA_SANITIZE=ON
cmake --build "$build"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The leak checker reads every thread's thread-local storage when the process ends; the embedded
# database engine's threads can be tearing theirs down at that moment, which crashes the checker.
# Not scanning thread-local storage can only add leak reports, never hide one.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:use_tls=0"

# The remote-protocol tests talk to a database server on this machine; it runs for the tests only.
scripts/firebird-server.sh start
trap 'scripts/firebird-server.sh stop' EXIT
export VOZMIRA_FIREBIRD_SERVER=127.0.0.1:3050

ctest --test-dir "$build" --output-on-failure -j2

# The layers whose code runs on several threads at once (the server with its I/O threads and
# session workers, and the page layer it drives) once more under ThreadSanitizer, in a build of
# their own: ThreadSanitizer cannot share a process with AddressSanitizer.
tsan=build/tsan
cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOZMIRA_TSAN=ON -DVOZMIRA_BENCH=OFF
cmake --build "$tsan" --target test_server test_render
# Lock-order checking is off: the embedded database engine holds more read locks at once than
# ThreadSanitizer's lock-order tracker can follow, and that stops the process.  Data races are
# still reported, and the first one fails the test.
TSAN_OPTIONS="halt_on_error=1 detect_deadlocks=0 suppressions=$PWD/tests/tsan.supp" \
  ctest --test-dir "$tsan" --output-on-failure -j2 -L '^(server|render)$'

# Every fuzz harness for a few seconds, so they keep building and their seeds keep passing.
scripts/fuzz.sh 5
