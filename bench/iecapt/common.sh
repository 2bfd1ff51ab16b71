#!/usr/bin/env bash
# Shared by run.sh, settle.sh and soak.sh: installs and builds what is missing, then
# serves the capture tests' pages on 127.0.0.1. Sourced, not run on its own.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/setup.sh"
install_missing_packages "$ORLENDA_ROOT/bench/debian-packages.txt"

IECAPT="$ORLENDA_BUILD/bin/iecapt"
BENCH_WORK=$(mktemp -d "${TMPDIR:-/tmp}/iecapt-bench-XXXXXX")

# The capture host the tool starts listens in a runtime folder of the
# bench's own, never the user's, and is ended with the bench.
export XDG_RUNTIME_DIR="$BENCH_WORK/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
HOST_SOCKET="$XDG_RUNTIME_DIR/iecapt-host.socket"
end_host() {
  local pid
  # The bench's own, and any other build's it started in a folder of the bench's.
  for pid in $(pgrep -f -- "^iecapt --capture-host $BENCH_WORK/" || true); do
    kill "$pid" 2>/dev/null || true
  done
}
trap 'end_host; rm -rf "$BENCH_WORK"' EXIT

# The server runs as long as this script holds its standard input open.
exec {SERVER_HOLD}> >(exec "$ORLENDA_BUILD/bin/iecapt_page_server" >"$BENCH_WORK/port")
for _ in $(seq 100); do
  [ -s "$BENCH_WORK/port" ] && break
  sleep 0.05
done
SERVER="http://127.0.0.1:$(cat "$BENCH_WORK/port")"

# Where iecapt puts its throw-away profiles.
PROFILE_BASE=${TMPDIR:-/tmp}

# tree_peak COMMAND...: runs the command and prints how long it took, in ms,
# and the peak resident memory, in MB, of it and all its descendants
# together with the capture host and its browser (no descendants of the
# capture's, but at work for it meanwhile), found by parent process and
# sampled every 20 ms.
tree_peak() {
  local start peak=0 sum
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 &
  local root=$!
  while kill -0 "$root" 2>/dev/null; do
    sum=$(ps -e -o pid=,ppid=,rss=,args= | awk -v root="$root" -v socket="$HOST_SOCKET" '
      { parent[$1] = $2; rss[$1] = $3
        if ($1 == root || ($5 == "--capture-host" && $6 == socket)) counted[$1] = 1 }
      END { for (p in parent) { q = p; while (!(q in counted) && q in parent) q = parent[q]
                                if (q in counted) sum += rss[p] }
            print sum + 0 }')
    [ "$sum" -gt "$peak" ] && peak=$sum
    sleep 0.02
  done
  wait "$root" || true
  echo "$((($(date +%s%N) - start) / 1000000)) $((peak / 1024))"
}

# Median of the numbers on standard input.
median() {
  sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# serve_folder FOLDER: serves the folder on 127.0.0.1 at FOLDER_URL until
# the script ends.
SERVERS=()
serve_folder() {
  local log="$BENCH_WORK/server-${#SERVERS[@]}"
  python3 -u -m http.server --bind 127.0.0.1 --directory "$1" 0 >"$log" 2>&1 &
  SERVERS+=($!)
  trap 'kill "${SERVERS[@]}" 2>/dev/null; end_host; rm -rf "$BENCH_WORK"' EXIT
  for _ in $(seq 100); do
    grep -q 'port' "$log" && break
    sleep 0.05
  done
  FOLDER_URL="http://127.0.0.1:$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$log" | head -1)"
}

# serve_corpus: serves Debian's HTML documentation as it is installed, on
# 127.0.0.1 at DOCS_URL, until the script ends; CORPUS holds the pages
# bench/iecapt/corpus.txt names, relative to it.
serve_corpus() {
  mapfile -t CORPUS < <(grep -v '^#' "$ORLENDA_ROOT/bench/iecapt/corpus.txt" | grep .)
  serve_folder /usr/share/doc
  DOCS_URL=$FOLDER_URL
}
