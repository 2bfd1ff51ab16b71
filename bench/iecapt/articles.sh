#!/usr/bin/env bash
# Saved real-world articles (a folder of folders, each with its index.html)
# served on 127.0.0.1 and captured as a reader without a network would see
# them (every other host fails at once), by this build and, given BEFORE,
# another, taking turns page by page: the warnings each gives, page by page;
# how many pages got any; the time; and whether the two made the same
# picture (PNG, byte for byte).
# IECAPT_ARGS are given to both, as --slow-cpu=4 for a busy machine.
#   ARTICLES=../shared/corpus/articles BEFORE=/tmp/iecapt-main bench/iecapt/articles.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ARTICLES=${ARTICLES:-$ORLENDA_ROOT/../shared/corpus/articles}
BEFORE=${BEFORE:-}
AFTER=${AFTER:-$IECAPT}
read -r -a ARGS <<<"${IECAPT_ARGS:-}"
[ -d "$ARTICLES" ] || { echo "no articles at $ARTICLES (set ARTICLES)" >&2; exit 1; }

serve_folder "$ARTICLES"
ARTICLES_URL=$FOLDER_URL

# The browser as the tool starts it, every host but this one failing at once.
cat >"$BENCH_WORK/offline-browser" <<SCRIPT
#!/bin/sh
exec $(command -v chromium-headless-shell) \
  --host-resolver-rules="MAP * ~NOTFOUND, EXCLUDE 127.0.0.1, EXCLUDE localhost" "\$@"
SCRIPT
chmod +x "$BENCH_WORK/offline-browser"

tools=(after)
[ -n "$BEFORE" ] && tools=(before after)
declare -A total warned warnings
same=0
pages=0
for folder in "$ARTICLES"/*/; do
  name=$(basename "$folder")
  pages=$((pages + 1))
  line=$(printf "%-36s" "${name:0:36}")
  for tool in "${tools[@]}"; do
    binary=$AFTER
    [ "$tool" = before ] && binary=$BEFORE
    # Each build with a capture host of its own: one of another build is refused.
    mkdir -p -m 700 "$BENCH_WORK/run-$tool"
    started=$(date +%s%N)
    XDG_RUNTIME_DIR="$BENCH_WORK/run-$tool" "$binary" --browser="$BENCH_WORK/offline-browser" \
      --url="$ARTICLES_URL/$name/" --out="$BENCH_WORK/$tool.png" "${ARGS[@]}" 2>"$BENCH_WORK/$tool.err" ||
      true
    ms=$((($(date +%s%N) - started) / 1000000))
    total[$tool]=$((${total[$tool]:-0} + ms))
    said=$(sed -n 's/^iecapt: warning: //p' "$BENCH_WORK/$tool.err" | cut -c1-60 | paste -sd'|')
    if [ -n "$said" ]; then
      warned[$tool]=$((${warned[$tool]:-0} + 1))
      warnings[$tool]=$((${warnings[$tool]:-0} + $(grep -c '^iecapt: warning: ' "$BENCH_WORK/$tool.err")))
    fi
    line+=$(printf " %6d ms %-4s %s" "$ms" "$tool" "${said:--}")
  done
  if [ -n "$BEFORE" ] && cmp -s "$BENCH_WORK/before.png" "$BENCH_WORK/after.png"; then
    same=$((same + 1))
  fi
  echo "$line"
done
echo
for tool in "${tools[@]}"; do
  printf "%-6s %d of %d pages with a warning (%d warnings), %.1f s in all\n" "$tool" \
    "${warned[$tool]:-0}" "$pages" "${warnings[$tool]:-0}" "$(awk -v t="${total[$tool]}" 'BEGIN { print t / 1000 }')"
done
[ -n "$BEFORE" ] && echo "pictures identical, byte for byte: $same of $pages"
