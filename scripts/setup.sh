#!/usr/bin/env bash
# Shared set-up of the project's commands: installs the Debian packages that
# are missing, then configures and builds. Sourced, not run on its own.
set -euo pipefail

ORLENDA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ORLENDA_BUILD=${ORLENDA_BUILD:-$ORLENDA_ROOT/build}
# Optimised, with debug information for a useful backtrace; overridable.
ORLENDA_BUILD_TYPE=${ORLENDA_BUILD_TYPE:-RelWithDebInfo}

# Packages named in the given lists that dpkg does not report as installed.
missing_packages() {
  local package
  for package in $(sed -e 's/#.*//' "$@"); do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$package"
    fi
  done
}

install_missing_packages() {
  local -a missing
  mapfile -t missing < <(missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure BUILD_FOLDER [CMAKE_OPTION...]: configures once; later calls only
# update the options given.
configure() {
  local folder=$1
  shift
  local -a options=(-DCMAKE_BUILD_TYPE="$ORLENDA_BUILD_TYPE")
  # CI builds treat warnings as errors (options given later may say otherwise).
  [ -n "${CI:-}" ] && options+=(-DORLENDA_WARNINGS_AS_ERRORS=ON)
  # Rebuilds of another clone or build folder reuse what was compiled before.
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  options+=("$@")
  if [ ! -f "$folder/build.ninja" ]; then
    cmake -S "$ORLENDA_ROOT" -B "$folder" -G Ninja "${options[@]}"
  else
    cmake "$folder" "${options[@]}" >/dev/null
  fi
}

# build BUILD_FOLDER [TARGET...]: everything when no target is named.
build() {
  local folder=$1
  shift
  local -a targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake --build "$folder" --parallel "$(nproc)" "${targets[@]}"
}

# The project's package lists, unless the command sourcing this names others.
if [ -z "${ORLENDA_PACKAGE_LISTS+set}" ]; then
  ORLENDA_PACKAGE_LISTS=("$ORLENDA_ROOT/scripts/debian-packages.txt"
    "$ORLENDA_ROOT/scripts/debian-run-packages.txt")
fi
install_missing_packages "${ORLENDA_PACKAGE_LISTS[@]}"
# Paths below the work tree count as relative, so every clone shares the cache.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$ORLENDA_ROOT}

# The consent-banner rules the capture tool ships, from npm at the version and
# integrity their lock file pins. Debian's npm comes only where no npm is
# there yet, so one installed otherwise is left alone.
fetch_consent_rules() {
  local folder="$ORLENDA_ROOT/third_party/autoconsent"
  command -v npm >/dev/null || install_missing_packages "$ORLENDA_ROOT/scripts/debian-npm-packages.txt"
  if [ ! -f "$folder/node_modules/.package-lock.json" ] ||
     [ "$folder/package-lock.json" -nt "$folder/node_modules/.package-lock.json" ]; then
    (cd "$folder" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
  fi
}
fetch_consent_rules
