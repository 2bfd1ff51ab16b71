#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over the program and the
# capture tool (not the tests), using the build's compile_commands.json.
#   scripts/tidy.sh [FILE-REGEX]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ORLENDA_BUILD:-$root/build}
command -v run-clang-tidy >/dev/null || {
  echo "Needs clang-tidy: apt-get install clang-tidy" >&2
  exit 1
}
[ -f "$build/compile_commands.json" ] || cmake -S "$root" -B "$build" -G Ninja
# Qt's generated sources need the moc and rcc output in place.
cmake --build "$build" --parallel "$(nproc)" --target orlenda_qt_autogen orlenda_gui_autogen >/dev/null
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "${1:-$root/(shared|src|tools)/}"
