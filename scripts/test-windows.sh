#!/usr/bin/env bash
# Installs what is missing, builds Qt and GoogleTest for Windows when they are
# not cached yet (the first time takes long: see scripts/windows/README.md),
# cross-builds Orlenda for 64-bit Windows into build-windows/, and runs its
# tests as Windows programs under Wine, in an X display of their own.
source "$(dirname "${BASH_SOURCE[0]}")/windows/setup.sh"

echo "== Cross-build"
build "$ORLENDA_WINDOWS_BUILD"

echo "== Tests under Wine"
# The run gets a fresh Wine prefix and a home of its own, so that nothing it
# stores (registry, desktop folder, files) reaches the user's, and an X
# display that Xvfb picks among the free ones.
wine_run=$ORLENDA_WINDOWS_BUILD/wine-run
rm -rf "$wine_run"
mkdir -p "$wine_run/home"
export WINEPREFIX=$wine_run/prefix HOME=$wine_run/home XDG_CONFIG_HOME=$wine_run/home/.config
source "$ORLENDA_ROOT/scripts/windows/wine-env.sh"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$wine_run/display" \
  2> "$wine_run/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$wine_run/display" ] && break
  sleep 0.1
done
[ -s "$wine_run/display" ] || { cat "$wine_run/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(cat "$wine_run/display")
stop_wine() {
  orlenda_wine_stop
  kill "$xvfb" 2> /dev/null || true
}
trap stop_wine EXIT
orlenda_wine_start
(cd "$ORLENDA_WINDOWS_BUILD" && ctest --output-on-failure --timeout 600 --parallel "$(nproc)")
