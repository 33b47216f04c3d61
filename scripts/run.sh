#!/usr/bin/env bash
# Sets up, builds optimised and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOZMIRA_TESTS=OFF
cmake --build "$build"
exec "$build/app/vozmira" "$@"
