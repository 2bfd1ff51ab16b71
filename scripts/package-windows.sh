#!/usr/bin/env bash
# Installs what is missing, cross-builds Orlenda for 64-bit Windows (building
# Qt for Windows first when it is not cached yet) and zips the folder that
# runs on Windows as it is: build-windows/package/orlenda-<version>-windows-x86_64.zip.
source "$(dirname "${BASH_SOURCE[0]}")/windows/setup.sh"
build "$ORLENDA_WINDOWS_BUILD" orlenda

output="$ORLENDA_WINDOWS_BUILD/package"
rm -rf "$output"
cpack --config "$ORLENDA_WINDOWS_BUILD/CPackConfig.cmake" -B "$output"
rm -rf "$output/_CPack_Packages"
echo "Made $(echo "$output"/*.zip)"
