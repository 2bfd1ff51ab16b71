#!/usr/bin/env bash
# Builds Qt 6 for 64-bit Windows from Debian's qt6-base source and installs
# it into ORLENDA_WINDOWS_PREFIX (default ~/.cache/orlenda/qt6-mingw64-VERSION).
# No Debian package or reachable registry ships a MinGW Qt, hence the build.
#
# Only what the program uses: Core, Gui, Widgets, Test, the windows and
# offscreen platform plugins, the image format plugins and the Windows Vista
# style. Takes 30 to 60 minutes on two cores; does nothing when the prefix
# already holds this build. An interrupted run resumes its build on the next
# run, and the prefix counts as complete only once its stamp is written.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Raise when the options below change, so existing prefixes are rebuilt.
RECIPE_REVISION=1
RECIPE="qt6-base $QT_DEBIAN_VERSION recipe $RECIPE_REVISION"
STAMP=$ORLENDA_WINDOWS_PREFIX/.orlenda-qt.stamp
LICENCE_STAMP=$ORLENDA_WINDOWS_PREFIX/.orlenda-qt-licences.stamp
WORK=$ORLENDA_CACHE/work/qt6-base-$QT_DEBIAN_VERSION-r$RECIPE_REVISION

# The host's Qt (QT_HOST_PATH) supplies moc, rcc and uic. Third-party
# libraries are Qt's bundled copies, so the DLLs need nothing beyond the MinGW
# runtime. Forced settings: Debian's source lacks wintab.h (tablet events);
# 6.4's windows platform plugin needs desktop OpenGL to compile; and Direct2D
# stays on because Gui builds the DirectWrite font database only with it,
# while the unused Direct2D platform plugin is left out.
qt_configure_options() {
  local feature
  printf '%s\n' -G Ninja \
    "-DCMAKE_TOOLCHAIN_FILE=$ORLENDA_TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_INSTALL_PREFIX=$ORLENDA_WINDOWS_PREFIX" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF \
    -DQT_BUILD_TESTS=OFF \
    -DINPUT_opengl=desktop \
    -DFEATURE_tabletevent=OFF
  for feature in system_zlib system_pcre2 system_harfbuzz system_freetype \
    system_jpeg system_png system_doubleconversion \
    sql network dbus printsupport concurrent xml direct2d1_1 vulkan; do
    printf '%s\n' "-DFEATURE_$feature=OFF"
  done
}

# A build tree left by an interrupted run is resumed only when it was
# configured with exactly these options.
configure_qt() {
  local -a options
  mapfile -t options < <(qt_configure_options)
  local options_file=$WORK/build/.orlenda-configure-options
  if [ -f "$WORK/build/build.ninja" ] && [ "$(cat "$options_file" 2>/dev/null)" = "$(qt_configure_options)" ]; then
    say "resuming the build in $WORK/build"
    return 0
  fi
  say "configuring Qt for Windows"
  rm -rf "$WORK/build"
  cmake -S "$WORK/source" -B "$WORK/build" "${options[@]}" > "$WORK/configure.log" 2>&1 ||
    { tail -40 "$WORK/configure.log" >&2; fail "configure failed, see $WORK/configure.log"; }
  qt_configure_options > "$options_file"
}

# Qt's headers draw thousands of harmless warnings from MinGW, so the full
# output goes to a log and the terminal gets a line every hundred steps.
build_qt() {
  say "building Qt for Windows (30 to 60 minutes on two cores; log: $WORK/build.log)"
  if ! cmake --build "$WORK/build" --parallel "$(nproc)" 2>&1 | tee "$WORK/build.log" |
    awk -v tag="[$(basename "$0")]" '
      match($0, /^\[[0-9]+\/[0-9]+\]/) {
        split(substr($0, 2, RLENGTH - 2), step, "/")
        if (step[1] % 100 == 0 || step[1] == step[2]) {
          printf "%s built %d of %d steps\n", tag, step[1], step[2]
          fflush()
        }
      }'; then
    grep -A12 '^FAILED:' "$WORK/build.log" | grep -v 'warning:' >&2 || true
    fail "build failed, see $WORK/build.log"
  fi
}

# The prefix is emptied first so that it holds exactly this build; a folder
# these scripts did not make is never emptied.
install_qt() {
  say "installing into $ORLENDA_WINDOWS_PREFIX"
  if [ -d "$ORLENDA_WINDOWS_PREFIX" ]; then
    [ -f "$ORLENDA_WINDOWS_PREFIX/$PREFIX_MARKER" ] || [ -z "$(ls -A "$ORLENDA_WINDOWS_PREFIX")" ] ||
      fail "$ORLENDA_WINDOWS_PREFIX is not empty and was not made by these scripts"
    rm -rf "$ORLENDA_WINDOWS_PREFIX"
  fi
  mkdir -p "$ORLENDA_WINDOWS_PREFIX"
  touch "$ORLENDA_WINDOWS_PREFIX/$PREFIX_MARKER"
  cmake --install "$WORK/build" > "$WORK/install.log" ||
    { tail -20 "$WORK/install.log" >&2; fail "install failed, see $WORK/install.log"; }
}

# The licence texts that shipping Qt's DLLs requires, from the source they
# were built from: every licence Qt's files carry (LGPL-3, GPL-2 and -3, and
# those of the third-party code built into the DLLs) and Debian's copyright
# file, which names the holders and licence of each file.
install_licences() {
  local target=$ORLENDA_WINDOWS_PREFIX/$QT_LICENCES
  say "installing Qt's licence texts into $target"
  rm -rf "$target"
  mkdir -p "$target"
  cp "$WORK"/source/LICENSES/*.txt "$target/"
  cp "$WORK/source/debian/copyright" "$target/debian-copyright.txt"
}

if ! stamp_matches "$STAMP" "$RECIPE"; then
  lock_prefix
  if ! stamp_matches "$STAMP" "$RECIPE"; then
    fetch_debian_source qt6-base "$QT_DEBIAN_VERSION" qt6-base-dev "$WORK"
    configure_qt
    build_qt
    install_qt
    install_licences
    write_stamp "$LICENCE_STAMP" "$RECIPE"
    write_stamp "$STAMP" "$RECIPE"
    rm -rf "$WORK"
  fi
fi
# A prefix built before the licence texts were kept gets them on their own.
if ! stamp_matches "$LICENCE_STAMP" "$RECIPE"; then
  lock_prefix
  if ! stamp_matches "$LICENCE_STAMP" "$RECIPE"; then
    fetch_source
    install_licences
    write_stamp "$LICENCE_STAMP" "$RECIPE"
    rm -rf "$WORK"
  fi
fi
say "Qt for Windows is ready in $ORLENDA_WINDOWS_PREFIX"
