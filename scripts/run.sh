#!/usr/bin/env bash
# Sets up, builds optimised and starts Vozmira.
#
#   scripts/run.sh              the web server (prints the address to open in a browser)
#   scripts/run.sh --desktop    the desktop program (needs a display)
#
# Any further argument names the settings file (Config.ini beside the program by default).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

program=vozmira-web
if [ "${1:-}" = "--desktop" ]; then
  program=vozmira
  shift
fi

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOZMIRA_TESTS=OFF
cmake --build "$build" --target "$program"
exec "$build/app/$program" "$@"
