#!/usr/bin/env bash
# Pages that fight the tool, against what the plain browser costs: a million
# timers (time and peak memory of all processes, against
# chromium-headless-shell --dump-dom of the same page), and a page that
# loads itself again every 100 ms (the worst and the median time of RUNS
# captures, and how they ended), and a head script that never answers.
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
printf "  median %d ms, worst %d ms; exit codes:" "$(median <"$BENCH_WORK/times")" \
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
