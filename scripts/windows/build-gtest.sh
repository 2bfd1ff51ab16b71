#!/usr/bin/env bash
# Cross-builds GoogleTest and GoogleMock for 64-bit Windows from Debian's
# source in /usr/src/googletest and installs them, as static libraries, into
# ORLENDA_WINDOWS_PREFIX beside Qt. Run it after build-qt.sh, which empties the
# prefix whenever it rebuilds Qt. Does nothing when the prefix already holds this
# build; takes under a minute otherwise.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

GTEST_SOURCE=/usr/src/googletest
GTEST_DEBIAN_VERSION=$(dpkg-query -W -f='${Version}' googletest)
# Raise when the options below change, so existing prefixes are rebuilt.
RECIPE_REVISION=1
RECIPE="googletest $GTEST_DEBIAN_VERSION recipe $RECIPE_REVISION"
STAMP=$ORLENDA_WINDOWS_PREFIX/.orlenda-gtest.stamp
WORK=$ORLENDA_CACHE/work/googletest-$GTEST_DEBIAN_VERSION-r$RECIPE_REVISION

build_gtest() {
  say "building GoogleTest $GTEST_DEBIAN_VERSION for Windows"
  # A fresh build each time: it is short, and a half-configured tree from an
  # interrupted run could only get in the way.
  rm -rf "$WORK"
  mkdir -p "$WORK"
  cmake -S "$GTEST_SOURCE" -B "$WORK/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$ORLENDA_TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$ORLENDA_WINDOWS_PREFIX" \
    -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON > "$WORK/configure.log" 2>&1 ||
    { tail -40 "$WORK/configure.log" >&2; fail "configure failed, see $WORK/configure.log"; }
  cmake --build "$WORK/build" --parallel "$(nproc)"
}

install_gtest() {
  say "installing into $ORLENDA_WINDOWS_PREFIX"
  mkdir -p "$ORLENDA_WINDOWS_PREFIX"
  if [ -z "$(ls -A "$ORLENDA_WINDOWS_PREFIX")" ]; then
    touch "$ORLENDA_WINDOWS_PREFIX/$PREFIX_MARKER"
  fi
  cmake --install "$WORK/build" > /dev/null
}

if ! stamp_matches "$STAMP" "$RECIPE"; then
  lock_prefix
  if ! stamp_matches "$STAMP" "$RECIPE"; then
    build_gtest
    install_gtest
    write_stamp "$STAMP" "$RECIPE"
    rm -rf "$WORK"
  fi
fi
say "GoogleTest for Windows is ready in $ORLENDA_WINDOWS_PREFIX"
