#!/usr/bin/env bash
# The settle phase (iecapt --timings) over the pages of Debian's HTML
# documentation in corpus.txt and some of the capture tests' pages, for this build of
# iecapt and, given BEFORE, another one, the two taking turns page by page:
# what a change to the settling saves or costs. AFTER names another build
# than this one. A tool copied elsewhere takes its share/orlenda along, or it
# captures without the consent rules (and says so).
#   BEFORE=/tmp/iecapt-main RUNS=3 bench/iecapt/settle.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

RUNS=${RUNS:-3}
BEFORE=${BEFORE:-}
AFTER=${AFTER:-$IECAPT}
serve_corpus

urls=()
for page in "${CORPUS[@]}"; do urls+=("$DOCS_URL/$page"); done
for page in /blocks.html /clock.html /app.html /animated.html /lazy.html /cookies.html; do
  urls+=("$SERVER$page")
done

tools=(after)
[ -n "$BEFORE" ] && tools=(before after)
# Each build with a capture host of its own: one of another build is refused.
for tool in "${tools[@]}"; do mkdir -m 700 "$BENCH_WORK/run-$tool"; done
# phase NAME < timings lines: that phase's milliseconds, one a line.
phase() { sed -n "s/.*\\b$1 \\([0-9]*\\) ms.*/\\1/p"; }

printf "%-52s" "page (median of $RUNS)"
for tool in "${tools[@]}"; do printf " %14s %13s" "settle $tool" "total $tool"; done
echo
declare -A sums
for url in "${urls[@]}"; do
  for tool in "${tools[@]}"; do : >"$BENCH_WORK/$tool.txt"; done
  for _ in $(seq "$RUNS"); do
    for tool in "${tools[@]}"; do
      binary=$AFTER
      [ "$tool" = before ] && binary=$BEFORE
      XDG_RUNTIME_DIR="$BENCH_WORK/run-$tool" "$binary" --url="$url" --out="$BENCH_WORK/shot.jpg" --timings 2>&1 |
        sed -n 's/^iecapt: timings: //p' >>"$BENCH_WORK/$tool.txt"
    done
  done
  name=${url#"$DOCS_URL"/}
  name=${name#"$SERVER"/}
  [ ${#name} -gt 52 ] && name=${name: -52}
  printf "%-52s" "$name"
  for tool in "${tools[@]}"; do
    settle=$(phase settle <"$BENCH_WORK/$tool.txt" | median)
    total=$(phase total <"$BENCH_WORK/$tool.txt" | median)
    sums[$tool-settle]=$(awk -v a="${sums[$tool-settle]:-0}" -v b="$settle" 'BEGIN { print a + b }')
    sums[$tool-total]=$(awk -v a="${sums[$tool-total]:-0}" -v b="$total" 'BEGIN { print a + b }')
    printf " %11.0f ms %10.0f ms" "$settle" "$total"
  done
  echo
done
printf "%-52s" "sum of medians (${#urls[@]} pages)"
for tool in "${tools[@]}"; do
  printf " %11.0f ms %10.0f ms" "${sums[$tool-settle]}" "${sums[$tool-total]}"
done
echo
