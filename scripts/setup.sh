#!/usr/bin/env bash
# Shared set-up of start.sh and test.sh: installs the Debian packages that are
# missing, then configures and builds. Sourced, not run on its own.
set -euo pipefail

ORLENDA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ORLENDA_BUILD=${ORLENDA_BUILD:-$ORLENDA_ROOT/build}

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

configure_and_build() {
  if [ ! -f "$ORLENDA_BUILD/build.ninja" ]; then
    cmake -S "$ORLENDA_ROOT" -B "$ORLENDA_BUILD" -G Ninja
  fi
  cmake --build "$ORLENDA_BUILD" --parallel "$(nproc)"
}

install_missing_packages "$ORLENDA_ROOT/scripts/debian-packages.txt"
configure_and_build
