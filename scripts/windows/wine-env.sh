# Wine settings for running the Windows build's programs and tests. Sourced by
# wine-run and by scripts that run many programs; leaves the caller's shell
# options alone.
#
#   source scripts/windows/wine-env.sh
#   orlenda_wine_start            # make the prefix if needed, warm the server
#   trap orlenda_wine_stop EXIT   # end the server and its helpers afterwards
#
# The Wine prefix is the project's own, never the user's ~/.wine: set
# WINEPREFIX first to use another (a test run can give each run its own).

export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/orlenda/wineprefix}
# Wine's own traces would bury the programs' output.
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: they are not needed and their installers would prompt.
# No menu entries or file types written into the user's home, and no web page
# opened in the host's browser.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe,winebrowser.exe=d}

# Z:\ is the host's root, so a host folder maps straight to a Windows path.
orlenda_windows_path() {
  local unix_path=$1
  printf 'Z:%s' "${unix_path//\//\\}"
}

# The MinGW runtime DLLs (libstdc++, libgcc_s, libwinpthread) and, when a
# Windows prefix is known, Qt's and GoogleTest's DLLs.
orlenda_wine_dll_path() {
  local compiler=x86_64-w64-mingw32-g++-posix dll dir path=""
  for dll in libstdc++-6.dll libwinpthread-1.dll; do
    dir=$(dirname "$(realpath "$("$compiler" -print-file-name="$dll")")")
    path+="$(orlenda_windows_path "$dir");"
  done
  if [ -n "${ORLENDA_WINDOWS_PREFIX:-}" ]; then
    path+="$(orlenda_windows_path "$ORLENDA_WINDOWS_PREFIX/bin");"
  fi
  printf '%s' "${path%;}"
}

WINEPATH="$(orlenda_wine_dll_path)${WINEPATH:+;$WINEPATH}"
export WINEPATH

# Makes the prefix on first use, then keeps the server and Wine's background
# processes running: otherwise the first program started by a test runner
# spawns them, they inherit its output pipe, and the runner waits on them.
orlenda_wine_start() {
  mkdir -p "$WINEPREFIX"
  # Before any program, which would start a server that soon ends; one that
  # already runs for the prefix is kept.
  wineserver -p 2> /dev/null || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot.exe -i > /dev/null 2>&1
    # Wine has no Arial, the window's font; the fallback it picks can leave
    # text unpainted. Liberation Sans has Arial's metrics.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f \
      > /dev/null 2>&1
  fi
  wine cmd.exe /c exit > /dev/null 2>&1
}

orlenda_wine_stop() {
  wineserver -k 2> /dev/null || true
}
