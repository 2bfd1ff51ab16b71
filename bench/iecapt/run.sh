#!/usr/bin/env bash
# Times iecapt against Chromium's own --screenshot, CutyCapt and wkhtmltoimage
# on the same local pages, then splits iecapt's time into its phases; last,
# the time and peak memory of a 40,000 px page taken in parts and joined.
# hyperfine runs in rounds, the tools taking turns, so that a machine whose
# load drifts does not favour whichever tool ran in a quiet moment.
#   ROUNDS=5 RUNS=3 PAGES="/blocks.html /tall.html" DISPLAY_NUMBER=104 bench/iecapt/run.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ROUNDS=${ROUNDS:-5}
RUNS=${RUNS:-3}
PAGES=${PAGES:-/blocks.html /tall.html}
DISPLAY_NUMBER=${DISPLAY_NUMBER:-104}
NO_SANDBOX=""
[ "$(id -u)" -eq 0 ] && NO_SANDBOX="--no-sandbox"

# Chromium's own capture, with a fresh profile where iecapt puts its own (so
# neither gains from a faster file system) and the same quiet flags.
echo "profiles in $PROFILE_BASE"
cat >"$BENCH_WORK/chromium-screenshot.sh" <<SCRIPT
#!/bin/sh
profile=\$(mktemp -d -p "$PROFILE_BASE")
chromium --headless $NO_SANDBOX --user-data-dir="\$profile" --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --hide-scrollbars --window-size=1024,768 --screenshot="$BENCH_WORK/chromium.png" "\$1" >/dev/null 2>&1
rm -rf "\$profile"
SCRIPT
chmod +x "$BENCH_WORK/chromium-screenshot.sh"

cat >"$BENCH_WORK/compare.sh" <<SCRIPT
#!/bin/sh
# Runs under xvfb-run: CutyCapt and wkhtmltoimage need an X display.
set -e
url=\$1
for round in \$(seq $ROUNDS); do
  hyperfine --style basic --warmup 1 --runs $RUNS --export-csv "$BENCH_WORK/round-\$round.csv" \
    -n iecapt "$IECAPT --url=\$url --out=$BENCH_WORK/iecapt.jpg" \
    -n chromium-screenshot "$BENCH_WORK/chromium-screenshot.sh \$url" \
    -n cutycapt "cutycapt --url=\$url --out=$BENCH_WORK/cutycapt.jpg --min-width=1024 --min-height=768" \
    -n wkhtmltoimage "wkhtmltoimage --quiet --width 1024 --format jpg \$url $BENCH_WORK/wk.jpg"
done
SCRIPT
chmod +x "$BENCH_WORK/compare.sh"

for page in $PAGES; do
  url="$SERVER$page"
  echo "== $page"
  rm -f "$BENCH_WORK"/round-*.csv
  xvfb-run -n "$DISPLAY_NUMBER" -s "-screen 0 1280x1024x24" "$BENCH_WORK/compare.sh" "$url" \
    >"$BENCH_WORK/hyperfine.log" 2>&1 || { cat "$BENCH_WORK/hyperfine.log"; exit 1; }
  # Each round's CSV: command,mean,stddev,median,user,system,min,max
  for tool in iecapt chromium-screenshot cutycapt wkhtmltoimage; do
    medians=$(awk -F, -v t="$tool" '$1 == t { print $4 * 1000 }' "$BENCH_WORK"/round-*.csv)
    printf "  %-20s median %6.0f ms  (round medians %s)\n" "$tool" "$(echo "$medians" | median)" \
      "$(echo "$medians" | sort -n | awk '{ printf "%s%.0f", (NR > 1 ? " " : ""), $1 }')"
  done
  ratio=$(for round in "$BENCH_WORK"/round-*.csv; do
    awk -F, '{ m[$1] = $4 } END { print m["iecapt"] / m["chromium-screenshot"] }' "$round"
  done | median)
  printf "  iecapt (whole page, JPEG) / chromium --screenshot (viewport, PNG): %.2f (median of %d rounds)\n" \
    "$ratio" "$ROUNDS"

  # Where iecapt's time goes: medians of each phase over the runs.
  for _ in $(seq $((ROUNDS * RUNS))); do
    "$IECAPT" --url="$url" --out="$BENCH_WORK/iecapt.jpg" --timings 2>&1 | sed -n 's/^iecapt: timings: //p'
  done >"$BENCH_WORK/phases.txt"
  total=$(sed 's/.*total \([0-9]*\) ms.*/\1/' "$BENCH_WORK/phases.txt" | median)
  echo "  iecapt phases, median of $((ROUNDS * RUNS)) (total $total ms):"
  for phase in $(head -1 "$BENCH_WORK/phases.txt" | tr ',' '\n' | awk '{ print $1 }' | grep -v total); do
    value=$(sed "s/.*\\b$phase \\([0-9]*\\) ms.*/\\1/" "$BENCH_WORK/phases.txt" | median)
    awk -v p="$phase" -v v="$value" -v t="$total" 'BEGIN { printf "    %-10s %5.0f ms  %3.0f%%\n", p, v, 100 * v / t }'
  done
done

# A page taller than the browser takes at once: three parts joined into one
# JPEG. The tool's own peak (VmHWM) and that of all its processes together
# (the browser's included), sampled while it runs.
tall_url="$SERVER/stripes-40000.html"
echo "== /stripes-40000.html (1024x40000, joined from three parts)"
for _ in $(seq "$RUNS"); do
  started=$(date +%s.%N)
  env IECAPT_BENCH_MARKER=$$ "$IECAPT" --url="$tall_url" --out="$BENCH_WORK/tall.jpg" --timings \
    2>"$BENCH_WORK/tall-timings.txt" &
  tool=$!
  tool_peak=0
  all_peak=0
  while kill -0 "$tool" 2>/dev/null; do
    hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$tool/status" 2>/dev/null || true)
    [ -n "$hwm" ] && [ "$hwm" -gt "$tool_peak" ] && tool_peak=$hwm
    all=0
    for environ in /proc/[0-9]*/environ; do
      if grep -qzx "IECAPT_BENCH_MARKER=$$" "$environ" 2>/dev/null; then
        rss=$(awk '/^VmRSS/ { print $2 }' "${environ%environ}status" 2>/dev/null || true)
        all=$((all + ${rss:-0}))
      fi
    done
    [ "$all" -gt "$all_peak" ] && all_peak=$all
    sleep 0.02
  done
  wait "$tool"
  elapsed=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
  awk -v s="$elapsed" -v t="$tool_peak" -v a="$all_peak" -v p="$(sed -n 's/^iecapt: timings: //p' "$BENCH_WORK/tall-timings.txt")" \
    'BEGIN { printf "  %.2f s, iecapt peak %.0f MB, all processes %.0f MB  (%s)\n", s, t / 1024, a / 1024, p }'
done
