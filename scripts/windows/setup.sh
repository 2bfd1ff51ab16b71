# Shared set-up of the Windows commands: installs the Debian packages of the
# Windows build that are missing, builds Qt and GoogleTest for Windows when
# they are not cached yet, stages nlohmann-json beside them, and configures
# the cross build. Sourced, not run on its own.
ORLENDA_PACKAGE_LISTS=("$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/debian-packages.txt")
source "$(dirname "${BASH_SOURCE[0]}")/../setup.sh"
source "$ORLENDA_ROOT/scripts/windows/common.sh"

ORLENDA_WINDOWS_BUILD=${ORLENDA_WINDOWS_BUILD:-$ORLENDA_ROOT/build-windows}

echo "== Qt, GoogleTest, image libraries and nlohmann-json for Windows (cached in $ORLENDA_WINDOWS_PREFIX)"
"$ORLENDA_ROOT/scripts/windows/build-qt.sh"
"$ORLENDA_ROOT/scripts/windows/build-gtest.sh"
"$ORLENDA_ROOT/scripts/windows/build-image-libs.sh"
"$ORLENDA_ROOT/scripts/windows/stage-json.sh"

configure "$ORLENDA_WINDOWS_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ORLENDA_TOOLCHAIN" \
  -DORLENDA_WINDOWS_PREFIX="$ORLENDA_WINDOWS_PREFIX"
