#!/usr/bin/env bash
# Times iecapt with the headless shell and with the full Chromium against the
# shell's own --screenshot of the window, over pages of Debian's HTML
# documentation and a 40,000 px striped page, all served on 127.0.0.1. The
# tools take turns page by page, in an order that turns each round, so that a
# machine whose load drifts favours none of them. Then where iecapt's time
# goes (--timings), and the peak memory of the tool and of all its processes.
#   ROUNDS=3 BASELINE=/path/to/an/older/iecapt bench/iecapt/run.sh
# BASELINE adds a column for another build of the tool (as it runs by
# default), for the corpus total against it.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ROUNDS=${ROUNDS:-3}
BASELINE=${BASELINE:-}
SHELL_BROWSER=$(command -v chromium-headless-shell)
FULL_BROWSER=$(command -v chromium)
NO_SANDBOX=""
[ "$(id -u)" -eq 0 ] && NO_SANDBOX="--no-sandbox"
serve_corpus

# The shell's own one-shot capture of a window of the given size, with a
# fresh profile where iecapt puts its own and the same quiet flags.
cat >"$BENCH_WORK/shot.sh" <<SCRIPT
#!/bin/sh
profile=\$(mktemp -d -p "$PROFILE_BASE")
"$SHELL_BROWSER" $NO_SANDBOX --user-data-dir="\$profile" --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --hide-scrollbars --window-size="\$2" --screenshot="$BENCH_WORK/shot.png" "\$1" >/dev/null 2>&1
rm -rf "\$profile"
SCRIPT
chmod +x "$BENCH_WORK/shot.sh"

# tool name -> command, given the address as $1.
declare -A COMMAND=(
  [shell]="$IECAPT --timings --url=\$1 --out=$BENCH_WORK/shell.jpg"
  [full]="$IECAPT --browser=$FULL_BROWSER --url=\$1 --out=$BENCH_WORK/full.jpg"
  [shot]="$BENCH_WORK/shot.sh \$1 1024,768"
  [tallshot]="$BENCH_WORK/shot.sh \$1 1024,40000"
)
TOOLS=(shell full shot)
if [ -n "$BASELINE" ]; then
  COMMAND[today]="$BASELINE --url=\$1 --out=$BENCH_WORK/today.jpg"
  TOOLS+=(today)
fi

# Runs one tool on one address; prints milliseconds. iecapt's phases go to
# phases/<page>.
run_once() {
  local tool=$1 url=$2 key=$3 started ended
  started=$(date +%s%N)
  sh -c "${COMMAND[$tool]}" sh "$url" 2>"$BENCH_WORK/stderr" || echo "  ($tool failed on $url: $(tail -1 "$BENCH_WORK/stderr"))" >&2
  ended=$(date +%s%N)
  if [ "$tool" = shell ]; then
    sed -n 's/^iecapt: timings: //p' "$BENCH_WORK/stderr" >>"$BENCH_WORK/phases/$key"
  fi
  echo $(((ended - started) / 1000000))
}

# The height of the JPEG iecapt wrote, from its header (file reads it as a
# signed 16-bit number).
image_height() {
  file -b "$1" | grep -o '[0-9]*x-\?[0-9]*,' | tail -1 | tr -d , | cut -dx -f2 |
    awk '{ print ($1 < 0 ? $1 + 65536 : $1) }'
}

pages=()
for path in "${CORPUS[@]}"; do pages+=("$DOCS_URL/$path"); done
pages+=("$SERVER/stripes-40000.html")
mkdir "$BENCH_WORK/times" "$BENCH_WORK/phases"
echo "${#pages[@]} pages, $ROUNDS rounds; tools: ${TOOLS[*]} (and tallshot on the striped page)"
for round in $(seq "$ROUNDS"); do
  for index in "${!pages[@]}"; do
    url=${pages[$index]}
    tools=("${TOOLS[@]}")
    [[ $url == */stripes-40000.html ]] && tools+=(tallshot)
    # Each round and page starts with another tool.
    count=${#tools[@]}
    for turn in $(seq 0 $((count - 1))); do
      tool=${tools[$(((turn + round + index) % count))]}
      run_once "$tool" "$url" "$index" >>"$BENCH_WORK/times/$index.$tool"
      [ "$tool" = shell ] && [ "$round" -eq 1 ] && image_height "$BENCH_WORK/shell.jpg" >"$BENCH_WORK/times/$index.height"
    done
  done
  echo "round $round done"
done

median_of() { [ -s "$1" ] && median <"$1" || echo 0; }

echo
printf "%-48s %7s %7s %7s %7s" page height shell full shot
[ -n "$BASELINE" ] && printf " %7s" today
printf " %10s\n" shell/shot
for index in "${!pages[@]}"; do
  url=${pages[$index]}
  name=${url#"$DOCS_URL"/}
  name=${name#"$SERVER"/}
  height=$(cat "$BENCH_WORK/times/$index.height")
  printf "%-48s %7s" "${name:0:48}" "$height"
  for tool in "${TOOLS[@]}"; do printf " %7.0f" "$(median_of "$BENCH_WORK/times/$index.$tool")"; done
  shell=$(median_of "$BENCH_WORK/times/$index.shell")
  shot=$(median_of "$BENCH_WORK/times/$index.shot")
  ratio=$(awk -v a="$shell" -v b="$shot" 'BEGIN { printf "%.2f", a / b }')
  printf " %10s\n" "$ratio"
  [ "$height" -le 16384 ] && echo "$ratio" >>"$BENCH_WORK/ratios"
done
echo "(milliseconds, medians of $ROUNDS; shell: iecapt, full: iecapt --browser=$FULL_BROWSER,"
echo " shot: chromium-headless-shell --screenshot of the 1024x768 window)"
echo

echo "pages up to 16,384 px: median shell/shot $(median <"$BENCH_WORK/ratios") (target at most 1.0)"
last=$((${#pages[@]} - 1))
awk -v a="$(median_of "$BENCH_WORK/times/$last.shell")" -v b="$(median_of "$BENCH_WORK/times/$last.tallshot")" \
  'BEGIN { printf "40,000 px page: iecapt %.0f ms, one cold shot of a 1024x40000 window %.0f ms: %.2f (target at most 1.0)\n", a, b, a / b }'
corpus_total() {
  local tool=$1
  # A median of an even count may end in .5, which shell arithmetic refuses.
  for index in $(seq 0 $((last - 1))); do median_of "$BENCH_WORK/times/$index.$tool"; done |
    awk '{ sum += $1 } END { print sum + 0 }'
}
for tool in "${TOOLS[@]}"; do printf "corpus total %-6s %6.1f s\n" "$tool" "$(awk -v t="$(corpus_total "$tool")" 'BEGIN { print t / 1000 }')"; done
if [ -n "$BASELINE" ]; then
  awk -v a="$(corpus_total shell)" -v b="$(corpus_total today)" \
    'BEGIN { printf "corpus total against the baseline: %.2f (target at most 0.5)\n", a / b }'
fi

# Where iecapt's time goes over the corpus and the striped page: each
# phase's median per page, summed.
echo
echo "iecapt (shell) phases, per-page medians summed:"
phase_names=$(head -1 "$BENCH_WORK/phases/0" | tr ',' '\n' | awk '{ print $1 }')
declare -A phase_sum
for phase in $phase_names; do
  phase_sum[$phase]=$(for index in "${!pages[@]}"; do
    sed -n "s/.*\\b$phase \\([0-9]*\\) ms.*/\\1/p" "$BENCH_WORK/phases/$index" | median
  done | awk '{ sum += $1 } END { printf "%.0f", sum }')
done
for phase in $phase_names; do
  [ "$phase" = total ] && continue
  awk -v p="$phase" -v v="${phase_sum[$phase]}" -v t="${phase_sum[total]}" \
    'BEGIN { printf "  %-10s %7.0f ms  %3.0f%%\n", p, v, 100 * v / t }'
done
echo "  total      ${phase_sum[total]} ms"

# Peak memory, one run each on the striped page and the corpus's tallest:
# the tool's own (VmHWM) and that of all its processes together, sampled.
peak_memory() {
  local tool=$1 url=$2 pid tool_peak=0 all_peak=0 hwm all rss
  env IECAPT_BENCH_MARKER=$$ sh -c "${COMMAND[$tool]}" sh "$url" >/dev/null 2>&1 &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    all=0
    # One grep over every process's environment: quick enough to see a
    # browser that lives for a second.
    for environ in $(grep -lzx "IECAPT_BENCH_MARKER=$$" /proc/[0-9]*/environ 2>/dev/null); do
      rss=$(awk '/^VmRSS/ { print $2 }' "${environ%environ}status" 2>/dev/null || true)
      all=$((all + ${rss:-0}))
      if [ "$(cat "${environ%environ}comm" 2>/dev/null)" = iecapt ]; then
        hwm=$(awk '/^VmHWM/ { print $2 }' "${environ%environ}status" 2>/dev/null || true)
        [ -n "$hwm" ] && [ "$hwm" -gt "$tool_peak" ] && tool_peak=$hwm
      fi
    done
    [ "$all" -gt "$all_peak" ] && all_peak=$all
    sleep 0.02
  done
  wait "$pid" || true
  printf "  %-8s %-40s tool %4.0f MB, all processes %5.0f MB\n" "$tool" "${url##*/}" \
    "$(awk -v k="$tool_peak" 'BEGIN { print k / 1024 }')" "$(awk -v k="$all_peak" 'BEGIN { print k / 1024 }')"
}
tallest=0
for index in $(seq 0 $((last - 1))); do
  [ "$(cat "$BENCH_WORK/times/$index.height")" -gt "$(cat "$BENCH_WORK/times/$tallest.height")" ] && tallest=$index
done
echo
echo "peak memory (resident; the tool is iecapt itself):"
for url in "${pages[$tallest]}" "${pages[$last]}"; do
  for tool in "${TOOLS[@]}"; do peak_memory "$tool" "$url"; done
done
peak_memory tallshot "${pages[$last]}"
