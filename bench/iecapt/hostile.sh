#!/usr/bin/env bash
# Pages and peers that fight the tool, against what the plain browser costs:
# a million timers (time and peak memory of all processes, against
# chromium-headless-shell --dump-dom of the same page), a page that loads
# itself again every 100 ms (the worst and the median time of RUNS captures,
# and how they ended), and a head script that never answers. Then, for each
# capture its time, exit code, whether a host served it and its last line:
# a SOCKS proxy in the environment (the host started without it, then with
# it; and the connections the proxy saw), a page that posts 100 MB beside
# another capture (and the peak memory of it all), a capture under
# ulimit -n 64 and those after it, and a status line with a line separator,
# a NEL and a right-to-left override (the lines the tool wrote).
#   RUNS=20 bench/iecapt/hostile.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

RUNS=${RUNS:-20}
shell=$(command -v chromium-headless-shell)
flags=(--headless --disable-background-networking --disable-component-update --no-first-run
  --disable-sync --user-data-dir="$BENCH_WORK/profile")
[ "$(id -u)" -eq 0 ] && flags+=(--no-sandbox)

echo "a million timers (ms, MB of all processes at their peak):"
for round in 1 2 3; do
  read -r tool_ms tool_mb < <(tree_peak "$IECAPT" --url="$SERVER/pages/million-timers.html" \
    --out="$BENCH_WORK/shot.jpg")
  rm -rf "$BENCH_WORK/profile"
  read -r dom_ms dom_mb < <(tree_peak "$shell" "${flags[@]}" --dump-dom "$SERVER/pages/million-timers.html")
  printf "  round %d: iecapt %6d ms %5d MB   --dump-dom %6d ms %5d MB\n" \
    "$round" "$tool_ms" "$tool_mb" "$dom_ms" "$dom_mb"
done

echo "a page that loads itself again every 100 ms, $RUNS captures:"
: >"$BENCH_WORK/times"
declare -A endings
for _ in $(seq "$RUNS"); do
  start=$(date +%s%N)
  status=0
  "$IECAPT" --url="$SERVER/pages/self-navigating.html" --out="$BENCH_WORK/shot.jpg" 2>/dev/null ||
    status=$?
  echo $((($(date +%s%N) - start) / 1000000)) >>"$BENCH_WORK/times"
  endings[$status]=$((${endings[$status]:-0} + 1))
done
printf "  median %s ms, worst %s ms; exit codes:" "$(median <"$BENCH_WORK/times")" \
  "$(sort -n "$BENCH_WORK/times" | tail -1)"
for status in "${!endings[@]}"; do printf " %s x%d" "$status" "${endings[$status]}"; done
echo

echo "a script in the head from a host that never answers, --timeout=9, 5 captures:"
for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  status=0
  "$IECAPT" --url="$SERVER/head-script.html" --out="$BENCH_WORK/shot.jpg" --timeout=9 \
    2>"$BENCH_WORK/errors" || status=$?
  printf "  %5d ms, exit %d: %s\n" $((($(date +%s%N) - start) / 1000000)) "$status" \
    "$(tail -1 "$BENCH_WORK/errors")"
done

# The peers below: a server with a hostile status line, one whose page posts
# 100 MB, and a SOCKS proxy; the host waits long enough between captures.
: >"$BENCH_WORK/peers"
exec {PEERS_HOLD}> >(exec python3 "$ORLENDA_ROOT/bench/iecapt/hostile_peers.py" \
  "$BENCH_WORK/socks.log" >"$BENCH_WORK/peers")
for _ in $(seq 100); do
  [ "$(wc -l <"$BENCH_WORK/peers")" -ge 3 ] && break
  sleep 0.05
done
peer() { awk -v name="$1" '$1 == name { print $2 }' "$BENCH_WORK/peers"; }
STATUS="http://127.0.0.1:$(peer status)"
POST="http://127.0.0.1:$(peer post)"
SOCKS="127.0.0.1:$(peer socks)"
export IECAPT_HOST_IDLE=60
: >"$BENCH_WORK/socks.log"

# capture NAME URL [ARGUMENTS...]: one capture; prints its time, exit code,
# what served it (a browser of its own ends with a shutdown phase; a host
# serves a capture that ends well without one) and its last line.
capture() {
  local name=$1 url=$2 start status=0
  shift 2
  start=$(date +%s%N)
  "$IECAPT" --url="$url" --out="$BENCH_WORK/$name.jpg" --timings "$@" 2>"$BENCH_WORK/$name.err" ||
    status=$?
  local served=host
  [ "$status" -eq 0 ] || served=-
  if grep -q ", shutdown " "$BENCH_WORK/$name.err"; then served=own; fi
  local said
  said=$(grep -av 'iecapt: timings' "$BENCH_WORK/$name.err" | tail -1 || true)
  printf "  %-36s %5d ms, exit %d, %-4s: %s\n" "$name" $((($(date +%s%N) - start) / 1000000)) \
    "$status" "$served" "${said:-(nothing more)}"
}
proxied() { wc -l <"$BENCH_WORK/socks.log"; }

echo "a SOCKS proxy in the environment (SOCKS_SERVER), the host started without and with it:"
end_host
capture "no proxy (starts the host)" "$POST/"
before=$(proxied)
SOCKS_SERVER=$SOCKS SOCKS_VERSION=5 capture "through the proxy" "http://page.socks-only.test/"
echo "  connections the proxy saw: $(($(proxied) - before))"
end_host
SOCKS_SERVER=$SOCKS SOCKS_VERSION=5 capture "through the proxy (starts the host)" \
  "http://page.socks-only.test/"
before=$(proxied)
capture "no proxy" "$POST/"
echo "  connections the proxy saw: $(($(proxied) - before))"

echo "a page that posts 100 MB, and a capture beside it through the same host:"
end_host
capture "a plain page (starts the host)" "$POST/"
capture "posting 100 MB" "$POST/post.html" --delay=1500 &
posting=$!
sleep 0.3
capture "beside it" "$POST/" --delay=2500
wait "$posting"
echo "  hosts running after: $(pgrep -fc -- "^iecapt --capture-host $HOST_SOCKET " || true)"
read -r post_ms post_mb < <(tree_peak "$IECAPT" --url="$POST/post.html" --out="$BENCH_WORK/p.jpg")
echo "  posting 100 MB once more: $post_ms ms, $post_mb MB of all processes at their peak"

echo "a capture under ulimit -n 64, then one from a normal shell:"
end_host
(ulimit -n 64 && capture "under ulimit -n 64 (starts a host)" "$POST/")
capture "from a normal shell" "$POST/"
capture "and the next" "$POST/"
(ulimit -n 64 && capture "under ulimit -n 64, --no-host" "$POST/" --no-host)

echo "a status line with a line separator, a NEL and a right-to-left override:"
capture "status 500" "$STATUS/"
echo "  lines the tool wrote: $(wc -l <"$BENCH_WORK/status 500.err"), bytes of its warning:" \
  "$(grep -a 'iecapt: warning' "$BENCH_WORK/status 500.err" | wc -c)"
