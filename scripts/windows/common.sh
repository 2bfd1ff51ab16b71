# Shared settings of the Windows build scripts. Sourced, not run on its own.
#
# Qt and GoogleTest for Windows are built once and kept in one prefix outside
# the work tree, so every work tree and every CI run on a machine shares them.
set -euo pipefail

ORLENDA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
ORLENDA_TOOLCHAIN=$ORLENDA_ROOT/cmake/toolchains/mingw-w64-x86_64.cmake
ORLENDA_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/orlenda

# The Windows Qt is built from the same Debian source version as the host's
# Qt, whose moc, rcc and uic generate code for it.
QT_DEBIAN_VERSION=$(dpkg-query -W -f='${Version}' qt6-base-dev)
QT_UPSTREAM_VERSION=${QT_DEBIAN_VERSION#*:}
QT_UPSTREAM_VERSION=${QT_UPSTREAM_VERSION%%+*}
QT_UPSTREAM_VERSION=${QT_UPSTREAM_VERSION%%-*}

export ORLENDA_WINDOWS_PREFIX=${ORLENDA_WINDOWS_PREFIX:-$ORLENDA_CACHE/qt6-mingw64-$QT_UPSTREAM_VERSION}

# Where the prefix keeps the licence texts of Qt's source.
QT_LICENCES=share/doc/qtbase

# Marks a prefix these scripts made, the only kind they ever empty.
PREFIX_MARKER=.orlenda-windows-prefix

say() {
  printf '[%s] %s\n' "$(basename "$0")" "$*"
}

fail() {
  say "error: $*" >&2
  exit 1
}

# A part of the prefix is complete only when its stamp holds the expected
# recipe; the stamp is written after everything else, so an interrupted build
# never counts as done.
stamp_matches() {
  local stamp=$1 recipe=$2
  [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$recipe" ]
}

write_stamp() {
  local stamp=$1 recipe=$2
  printf '%s\n' "$recipe" > "$stamp.tmp"
  mv "$stamp.tmp" "$stamp"
}

# Serialises the builds that write into the prefix: a second run waits, then
# finds the work done.
lock_prefix() {
  mkdir -p "$(dirname "$ORLENDA_WINDOWS_PREFIX")"
  exec 9> "$ORLENDA_WINDOWS_PREFIX.lock"
  if ! flock -n 9; then
    say "waiting for another build into $ORLENDA_WINDOWS_PREFIX"
    flock 9
  fi
}
