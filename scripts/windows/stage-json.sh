#!/usr/bin/env bash
# Copies Debian's nlohmann-json (header-only: headers and CMake package files)
# into ORLENDA_WINDOWS_PREFIX, where the Windows build finds its packages. The
# host's /usr/include never goes on a Windows include path: it holds headers
# for Linux. Run it after build-qt.sh, which empties the prefix whenever it
# rebuilds Qt; does nothing when the prefix already holds this version.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

JSON_DEBIAN_VERSION=$(dpkg-query -W -f='${Version}' nlohmann-json3-dev)
RECIPE="nlohmann-json3-dev $JSON_DEBIAN_VERSION"
STAMP=$ORLENDA_WINDOWS_PREFIX/.orlenda-json.stamp

stage_json() {
  say "staging nlohmann-json $JSON_DEBIAN_VERSION for Windows"
  mkdir -p "$ORLENDA_WINDOWS_PREFIX/include" "$ORLENDA_WINDOWS_PREFIX/share/cmake"
  rm -rf "$ORLENDA_WINDOWS_PREFIX/include/nlohmann" "$ORLENDA_WINDOWS_PREFIX/share/cmake/nlohmann_json"
  # The package's CMake files find the headers relative to themselves.
  cp -r /usr/include/nlohmann "$ORLENDA_WINDOWS_PREFIX/include/"
  cp -r /usr/share/cmake/nlohmann_json "$ORLENDA_WINDOWS_PREFIX/share/cmake/"
}

if ! stamp_matches "$STAMP" "$RECIPE"; then
  lock_prefix
  if ! stamp_matches "$STAMP" "$RECIPE"; then
    stage_json
    write_stamp "$STAMP" "$RECIPE"
  fi
fi
say "nlohmann-json for Windows is ready in $ORLENDA_WINDOWS_PREFIX"
