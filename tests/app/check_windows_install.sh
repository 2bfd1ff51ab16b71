#!/usr/bin/env bash
# Installs the Windows build into a folder of its own and starts orlenda.exe
# from it under Wine with nothing but that folder: no WINEPATH leads to Qt or
# the MinGW runtime. Passes once its main window, titled "Orlenda", shows.
# Needs an X display (scripts/test-windows.sh gives it one).
#   check_windows_install.sh BUILD_DIR INSTALL_DIR
set -euo pipefail
build=$1
folder=$2
[ -n "${DISPLAY:-}" ] || { echo "no X display: run it from scripts/test-windows.sh" >&2; exit 1; }

rm -rf "$folder"
cmake --install "$build" --prefix "$folder" --strip > /dev/null
# The consent-banner rules, where iecapt.exe looks for them beside itself.
[ -f "$folder/share/orlenda/autoconsent.standalone.js" ] ||
  { echo "no share/orlenda/autoconsent.standalone.js in $folder" >&2; exit 1; }
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/windows/wine-env.sh"
unset WINEPATH

wine "$folder/orlenda.exe" > "$folder.log" 2>&1 &
program=$!
trap 'kill "$program" 2> /dev/null || true' EXIT
for _ in $(seq 150); do
  if xwininfo -root -tree | grep -q '"Orlenda": ("orlenda.exe"'; then
    echo "orlenda.exe shows its window, started from $folder alone"
    exit 0
  fi
  if ! kill -0 "$program" 2> /dev/null; then
    cat "$folder.log" >&2
    echo "orlenda.exe ended without showing its window" >&2
    exit 1
  fi
  sleep 0.2
done
echo "no window titled Orlenda within 30 s" >&2
exit 1
