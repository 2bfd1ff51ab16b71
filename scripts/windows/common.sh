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

# fetch_debian_source SOURCE VERSION BINARY WORK [or-other]: unpacks Debian's
# source package SOURCE at VERSION into WORK/source, with Debian's patches
# applied (they carry the security fixes). With "or-other", when that version
# cannot be fetched (a mirror may carry a security update's binaries but not
# its source), the newest other version the archives offer is taken instead.
# apt-get source runs with a sources list, index and cache of its own under
# WORK, so the machine's apt configuration stays untouched; its deb-src lines
# name the archives the installed BINARY package came from. Does nothing when
# WORK/source is already unpacked.
fetch_debian_source() {
  local source=$1 version=$2 binary=$3 work=$4 fallback=${5:-}
  if [ -f "$work/source/.unpacked" ]; then
    return 0
  fi
  rm -rf "$work/apt" "$work/download" "$work/source"
  mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" \
    "$work/apt/sources.list.d" "$work/download"
  apt-cache policy "$binary" | awk '
    $2 ~ /:\/\// && $NF == "Packages" {
      n = split($3, part, "/")
      print "deb-src", $2, substr($3, 1, length($3) - length(part[n]) - 1), part[n]
    }' | sort -u > "$work/apt/sources.list"
  [ -s "$work/apt/sources.list" ] || fail "no archive in apt's lists offers $binary"
  local -a apt_options=(
    -o "Dir::Etc::SourceList=$work/apt/sources.list"
    -o "Dir::Etc::SourceParts=$work/apt/sources.list.d"
    -o "Dir::State::Lists=$work/apt/lists"
    -o "Dir::Cache=$work/apt/cache"
    -o "APT::Sandbox::User=$(id -un)"
  )
  apt-get "${apt_options[@]}" -qq update
  local -a versions=("$version")
  if [ "$fallback" = or-other ]; then
    mapfile -t -O 1 versions < <(apt-cache "${apt_options[@]}" showsrc "$source" |
      awk '/^Version:/ { print $2 }' | grep -vxF "$version" | sort -rV)
  fi
  local candidate
  for candidate in "${versions[@]}"; do
    say "fetching Debian's $source $candidate source"
    if (cd "$work/download" &&
      apt-get "${apt_options[@]}" -q source --download-only "$source=$candidate"); then
      # apt has already checked the files against the archive's signed index.
      dpkg-source --no-check -x "$work"/download/"$source"_*.dsc "$work/source" \
        > "$work/unpack.log" 2>&1 || { cat "$work/unpack.log" >&2; fail "could not unpack the source"; }
      touch "$work/source/.unpacked"
      return 0
    fi
    rm -f "$work"/download/*
  done
  fail "no version of Debian's $source source could be fetched"
}
