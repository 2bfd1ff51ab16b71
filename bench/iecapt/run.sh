#!/usr/bin/env bash
# Times iecapt over pages of Debian's HTML documentation and a 40,000 px
# striped page, all served on 127.0.0.1: through its capture host, kept warm
# (host); the first capture of a run, which starts the host (first); with a
# browser of its own (own: --no-host); with the full Chromium; against the
# shell's own --screenshot of the window (shot) and the warm floor (one
# browser for all pages, a new page per address, one full-page shot:
# warm_floor.py). The tools take turns page by page, in an order that turns
# each round, so that a machine whose load drifts favours none of them. Then
# whether the host's pictures are those of the tool's own browser, byte for
# byte; where iecapt's time goes (--timings); and the peak memory of all the
# processes of a capture, the host's among them, on the tallest pages.
#   ROUNDS=3 BASELINE=/path/to/an/older/iecapt bench/iecapt/run.sh
# BASELINE adds a column for another build of the tool (as it runs by
# default), for the totals and the memory against it.
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

# The warm floor's browser runs for the whole bench and takes one address a
# request; the bench holds its requests open until it ends.
mkfifo "$BENCH_WORK/warm.requests" "$BENCH_WORK/warm.answers"
python3 "$ORLENDA_ROOT/bench/iecapt/warm_floor.py" "$SHELL_BROWSER" "$BENCH_WORK/warm.requests" \
  "$BENCH_WORK/warm.answers" &
exec {WARM_REQUESTS}>"$BENCH_WORK/warm.requests"
cat >"$BENCH_WORK/warm.sh" <<SCRIPT
#!/bin/sh
echo "\$1 $BENCH_WORK/warm.jpg" >"$BENCH_WORK/warm.requests"
read -r answer <"$BENCH_WORK/warm.answers"
[ "\$answer" = ok ] || { echo "\$answer" >&2; exit 1; }
SCRIPT
chmod +x "$BENCH_WORK/warm.sh"

# A first capture: a runtime folder no host has listened in yet, and a host
# that ends with the capture.
cat >"$BENCH_WORK/first.sh" <<SCRIPT
#!/bin/sh
XDG_RUNTIME_DIR=\$(mktemp -d -p "$BENCH_WORK") IECAPT_HOST_IDLE=0 exec "$IECAPT" --url="\$1" --out="$BENCH_WORK/first.jpg"
SCRIPT
chmod +x "$BENCH_WORK/first.sh"

# tool name -> command, given the address as $1.
declare -A COMMAND=(
  [host]="$IECAPT --timings --url=\$1 --out=$BENCH_WORK/host.jpg"
  [first]="$BENCH_WORK/first.sh \$1"
  [own]="$IECAPT --no-host --url=\$1 --out=$BENCH_WORK/own.jpg"
  [full]="$IECAPT --no-host --browser=$FULL_BROWSER --url=\$1 --out=$BENCH_WORK/full.jpg"
  [shot]="$BENCH_WORK/shot.sh \$1 1024,768"
  [warm]="$BENCH_WORK/warm.sh \$1"
  [tallshot]="$BENCH_WORK/shot.sh \$1 1024,40000"
)
TOOLS=(host first own full shot warm)
if [ -n "$BASELINE" ]; then
  # A host of its own: a host serves only its own build, so a shared one
  # would leave whichever build did not start it without a host.
  BASELINE_RUN="$BENCH_WORK/run-baseline"
  mkdir -m 700 "$BASELINE_RUN"
  COMMAND[today]="XDG_RUNTIME_DIR=$BASELINE_RUN $BASELINE --url=\$1 --out=$BENCH_WORK/today.jpg"
  TOOLS+=(today)
fi
# The pictures compared byte for byte.
SAME_AS_OWN=(host first today)

# Runs one tool on one address; prints milliseconds. iecapt's phases go to
# phases/<page>, the first round's pictures to images/<page>.<tool>.jpg.
run_once() {
  local tool=$1 url=$2 key=$3 round=$4 started ended
  started=$(date +%s%N)
  sh -c "${COMMAND[$tool]}" sh "$url" 2>"$BENCH_WORK/stderr" || echo "  ($tool failed on $url: $(tail -1 "$BENCH_WORK/stderr"))" >&2
  ended=$(date +%s%N)
  if [ "$tool" = host ]; then
    sed -n 's/^iecapt: timings: //p' "$BENCH_WORK/stderr" >>"$BENCH_WORK/phases/$key"
  fi
  if [ "$round" -eq 1 ] && [ -f "$BENCH_WORK/$tool.jpg" ]; then
    mv "$BENCH_WORK/$tool.jpg" "$BENCH_WORK/images/$key.$tool.jpg"
  fi
  echo $(((ended - started) / 1000000))
}

# The height of a JPEG, from its header (file reads it as a signed 16-bit
# number).
image_height() {
  file -b "$1" | grep -o '[0-9]*x-\?[0-9]*,' | tail -1 | tr -d , | cut -dx -f2 |
    awk '{ print ($1 < 0 ? $1 + 65536 : $1) }'
}

pages=()
for path in "${CORPUS[@]}"; do pages+=("$DOCS_URL/$path"); done
pages+=("$SERVER/stripes-40000.html")
mkdir "$BENCH_WORK/times" "$BENCH_WORK/phases" "$BENCH_WORK/images"
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
      run_once "$tool" "$url" "$index" "$round" >>"$BENCH_WORK/times/$index.$tool"
    done
  done
  echo "round $round done"
done

median_of() { [ -s "$1" ] && median <"$1" || echo 0; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

echo
printf "%-44s %6s" page height
for tool in "${TOOLS[@]}"; do printf " %6s" "$tool"; done
printf " %9s\n" host/shot
last=$((${#pages[@]} - 1))
for index in "${!pages[@]}"; do
  url=${pages[$index]}
  name=${url#"$DOCS_URL"/}
  name=${name#"$SERVER"/}
  height=$(image_height "$BENCH_WORK/images/$index.own.jpg")
  echo "$height" >"$BENCH_WORK/times/$index.height"
  printf "%-44s %6s" "${name:0:44}" "$height"
  for tool in "${TOOLS[@]}"; do printf " %6.0f" "$(median_of "$BENCH_WORK/times/$index.$tool")"; done
  host=$(median_of "$BENCH_WORK/times/$index.host")
  printf " %9s\n" "$(ratio "$host" "$(median_of "$BENCH_WORK/times/$index.shot")")"
done
echo "(milliseconds, medians of $ROUNDS; host: iecapt with its host warm; first: iecapt starting"
echo " its host; own: iecapt --no-host; full: --no-host --browser=$FULL_BROWSER;"
echo " shot: chromium-headless-shell --screenshot of the 1024x768 window; warm: the warm floor)"
echo

awk -v a="$(median_of "$BENCH_WORK/times/$last.host")" -v b="$(median_of "$BENCH_WORK/times/$last.tallshot")" \
  'BEGIN { printf "40,000 px page: iecapt %.0f ms, one cold shot of a 1024x40000 window %.0f ms: %.2f\n", a, b, a / b }'
corpus_total() {
  local tool=$1
  # A median of an even count may end in .5, which shell arithmetic refuses.
  for index in $(seq 0 $((last - 1))); do median_of "$BENCH_WORK/times/$index.$tool"; done |
    awk '{ sum += $1 } END { print sum + 0 }'
}
for tool in "${TOOLS[@]}"; do
  printf "corpus total %-6s %6.1f s" "$tool" "$(awk -v t="$(corpus_total "$tool")" 'BEGIN { print t / 1000 }')"
  [ -n "$BASELINE" ] && printf "   %s of the baseline's" "$(ratio "$(corpus_total "$tool")" "$(corpus_total today)")"
  echo
done

# The pictures a host makes are those of the tool's own browser, to the byte.
echo
for tool in "${SAME_AS_OWN[@]}"; do
  [ -n "${COMMAND[$tool]:-}" ] || continue
  same=0
  differ=()
  for index in "${!pages[@]}"; do
    if cmp -s "$BENCH_WORK/images/$index.$tool.jpg" "$BENCH_WORK/images/$index.own.jpg"; then
      same=$((same + 1))
    else
      differ+=("${pages[$index]##*/}")
    fi
  done
  echo "pictures of $tool identical to own's: $same of ${#pages[@]} ${differ[*]:+(not: ${differ[*]})}"
done

# Where iecapt's time goes over the corpus and the striped page: each
# phase's median per page, summed.
echo
echo "iecapt (host) phases, per-page medians summed:"
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

# Peak memory of all the processes of one capture, the host and its browser
# among them: on the corpus's tallest page, the striped page and a page cut
# at 65,500 px; host with the host warm, first with none running before.
peak_memory() {
  local tool=$1 url=$2 mb
  if [ "$tool" = first ]; then
    end_host
    while pgrep -f -- "^iecapt --capture-host $HOST_SOCKET " >/dev/null; do sleep 0.1; done
    mb=$(IECAPT_HOST_IDLE=0 tree_peak "$IECAPT" --url="$url" --out="$BENCH_WORK/first.jpg" | cut -d' ' -f2)
  elif [ "$tool" = today ]; then
    mb=$(HOST_SOCKET="$BASELINE_RUN/iecapt-host.socket" tree_peak sh -c "${COMMAND[$tool]}" sh "$url" | cut -d' ' -f2)
  else
    mb=$(tree_peak sh -c "${COMMAND[$tool]}" sh "$url" | cut -d' ' -f2)
  fi
  echo "$mb" >"$BENCH_WORK/memory.$tool"
  printf " %6s" "$mb"
}
tallest=0
for index in $(seq 0 $((last - 1))); do
  [ "$(cat "$BENCH_WORK/times/$index.height")" -gt "$(cat "$BENCH_WORK/times/$tallest.height")" ] && tallest=$index
done
memory_tools=(host first own)
[ -n "$BASELINE" ] && memory_tools+=(today)
echo
printf "%-44s" "peak memory of all processes (MB)"
for tool in "${memory_tools[@]}"; do printf " %6s" "$tool"; done
echo
for url in "${pages[$tallest]}" "${pages[$last]}" "$SERVER/long-100000.html"; do
  # The host warm for the first column, with this page's neighbours' work behind it.
  sh -c "${COMMAND[host]}" sh "$url" >/dev/null 2>&1 || true
  printf "%-44s" "${url##*/}"
  for tool in "${memory_tools[@]}"; do peak_memory "$tool" "$url"; done
  [ -n "$BASELINE" ] && printf "   host/today %s" "$(ratio "$(cat "$BENCH_WORK/memory.host")" "$(cat "$BENCH_WORK/memory.today")")"
  echo
done
[ -n "$BASELINE" ] && HOST_SOCKET="$BASELINE_RUN/iecapt-host.socket" end_host
exec {WARM_REQUESTS}>&-
