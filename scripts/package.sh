#!/usr/bin/env bash
# Installs what is missing, builds the program and its capture tool, makes
# the Debian package orlenda_<version>_<arch>.deb in build/package/ and
# checks it with lintian, which fails on any error.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_missing_packages "$ORLENDA_ROOT/packaging/debian-packages.txt"
configure "$ORLENDA_BUILD"
build "$ORLENDA_BUILD" orlenda iecapt

output="$ORLENDA_BUILD/package"
rm -rf "$output"
cpack --config "$ORLENDA_BUILD/CPackConfig.cmake" -B "$output"
rm -rf "$output/_CPack_Packages"
package=$(echo "$output"/*.deb)
echo "== lintian $package"
lintian "$package"
echo "Made $package"
