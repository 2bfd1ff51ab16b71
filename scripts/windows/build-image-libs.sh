#!/usr/bin/env bash
# Cross-builds libpng and libjpeg-turbo for 64-bit Windows from Debian's own
# source packages (the versions the host has installed) and installs them, as
# static libraries, into ORLENDA_WINDOWS_PREFIX beside Qt: the capture tool
# joins tall pages with them, and Debian ships no Windows build of either.
# zlib, which libpng needs, is Debian's libz-mingw-w64-dev, linked statically
# too, so iecapt.exe needs no DLL beyond the MinGW runtime.
#
# Run it after build-qt.sh, which empties the prefix whenever it rebuilds Qt.
# Does nothing when the prefix already holds this build.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

MINGW_ROOT=/usr/x86_64-w64-mingw32
PNG_VERSION=$(dpkg-query -W -f='${source:Version}' libpng-dev)
JPEG_VERSION=$(dpkg-query -W -f='${source:Version}' libjpeg62-turbo-dev)
# Raise when the options below change, so existing prefixes are rebuilt.
RECIPE_REVISION=1
RECIPE="libpng1.6 $PNG_VERSION libjpeg-turbo $JPEG_VERSION recipe $RECIPE_REVISION"
STAMP=$ORLENDA_WINDOWS_PREFIX/.orlenda-image-libs.stamp
WORK=$ORLENDA_CACHE/work/image-libs-r$RECIPE_REVISION

# cross_build NAME [CMAKE_OPTION...]: configures, builds and installs the
# source unpacked in WORK/NAME/source.
cross_build() {
  local name=$1
  shift
  local work=$WORK/$name
  say "building $name for Windows"
  rm -rf "$work/build"
  cmake -S "$work/source" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$ORLENDA_TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$ORLENDA_WINDOWS_PREFIX" \
    "$@" > "$work/configure.log" 2>&1 ||
    { tail -40 "$work/configure.log" >&2; fail "configure failed, see $work/configure.log"; }
  cmake --build "$work/build" --parallel "$(nproc)" > "$work/build.log" 2>&1 ||
    { grep -A12 '^FAILED:' "$work/build.log" >&2; fail "build failed, see $work/build.log"; }
  cmake --install "$work/build" > "$work/install.log" 2>&1 ||
    { tail -20 "$work/install.log" >&2; fail "install failed, see $work/install.log"; }
}

build_image_libs() {
  fetch_debian_source libpng1.6 "$PNG_VERSION" libpng-dev "$WORK/libpng" or-other
  fetch_debian_source libjpeg-turbo "$JPEG_VERSION" libjpeg62-turbo-dev "$WORK/libjpeg-turbo" or-other
  [ -f "$ORLENDA_WINDOWS_PREFIX/$PREFIX_MARKER" ] ||
    fail "$ORLENDA_WINDOWS_PREFIX was not made by build-qt.sh; run that first"
  cross_build libpng -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DZLIB_INCLUDE_DIR="$MINGW_ROOT/include" -DZLIB_LIBRARY="$MINGW_ROOT/lib/libz.a"
  # Its SIMD code (assembled by nasm) makes the JPEG of a tall page several
  # times faster.
  cross_build libjpeg-turbo -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_SIMD=ON -DREQUIRE_SIMD=ON
}

if ! stamp_matches "$STAMP" "$RECIPE"; then
  lock_prefix
  if ! stamp_matches "$STAMP" "$RECIPE"; then
    build_image_libs
    write_stamp "$STAMP" "$RECIPE"
    rm -rf "$WORK"
  fi
fi
say "libpng and libjpeg-turbo for Windows are ready in $ORLENDA_WINDOWS_PREFIX"
