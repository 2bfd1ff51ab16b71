#!/usr/bin/env bash
# Times iecapt against Chromium's own --screenshot, CutyCapt and wkhtmltoimage
# on the same local pages, then splits iecapt's time into its phases.
#   RUNS=10 PAGES="/blocks.html /tall.html" DISPLAY_NUMBER=104 bench/iecapt/run.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

RUNS=${RUNS:-10}
PAGES=${PAGES:-/blocks.html /tall.html}
DISPLAY_NUMBER=${DISPLAY_NUMBER:-104}
NO_SANDBOX=""
[ "$(id -u)" -eq 0 ] && NO_SANDBOX="--no-sandbox"

# Chromium's own capture gets its fresh profile where iecapt puts its own, so
# neither gains from a faster file system.
echo "profiles in $PROFILE_BASE"

# Chromium's own capture, given a fresh profile and the quiet flags as iecapt.
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
hyperfine --style basic --warmup 2 --runs $RUNS --export-csv "\$2" \
  -n iecapt "$IECAPT --url=\$url --out=$BENCH_WORK/iecapt.jpg" \
  -n chromium-screenshot "$BENCH_WORK/chromium-screenshot.sh \$url" \
  -n cutycapt "cutycapt --url=\$url --out=$BENCH_WORK/cutycapt.jpg --min-width=1024 --min-height=768" \
  -n wkhtmltoimage "wkhtmltoimage --quiet --width 1024 --format jpg \$url $BENCH_WORK/wk.jpg"
SCRIPT
chmod +x "$BENCH_WORK/compare.sh"

for page in $PAGES; do
  url="$SERVER$page"
  echo "== $page"
  xvfb-run -n "$DISPLAY_NUMBER" -s "-screen 0 1280x1024x24" "$BENCH_WORK/compare.sh" "$url" \
    "$BENCH_WORK/times.csv" >"$BENCH_WORK/hyperfine.log" 2>&1 || { cat "$BENCH_WORK/hyperfine.log"; exit 1; }
  # command,mean,stddev,median,user,system,min,max
  awk -F, 'NR > 1 { printf "  %-20s median %6.0f ms  (min %4.0f, max %4.0f)\n", $1, $4 * 1000, $7 * 1000, $8 * 1000 }' \
    "$BENCH_WORK/times.csv"
  awk -F, 'NR > 1 { m[$1] = $4 } END { printf "  iecapt (whole page, JPEG) / chromium --screenshot (viewport, PNG): %.2f\n", m["iecapt"] / m["chromium-screenshot"] }' \
    "$BENCH_WORK/times.csv"

  # Where iecapt's time goes: medians of each phase over the runs.
  for _ in $(seq "$RUNS"); do
    "$IECAPT" --url="$url" --out="$BENCH_WORK/iecapt.jpg" --timings 2>&1 | sed -n 's/^iecapt: timings: //p'
  done >"$BENCH_WORK/phases.txt"
  total=$(sed 's/.*total \([0-9]*\) ms.*/\1/' "$BENCH_WORK/phases.txt" | median)
  echo "  iecapt phases, median of $RUNS (total $total ms):"
  for phase in $(head -1 "$BENCH_WORK/phases.txt" | tr ',' '\n' | awk '{ print $1 }' | grep -v total); do
    value=$(sed "s/.*\\b$phase \\([0-9]*\\) ms.*/\\1/" "$BENCH_WORK/phases.txt" | median)
    awk -v p="$phase" -v v="$value" -v t="$total" 'BEGIN { printf "    %-10s %5.0f ms  %3.0f%%\n", p, v, 100 * v / t }'
  done
done
