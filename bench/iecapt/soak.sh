#!/usr/bin/env bash
# 100 captures one after another, through the capture host, then checks
# that the host ends on its own two seconds after the last and that none of
# the browser processes and none of the temporary folders is left.
#   CAPTURES=100 bench/iecapt/soak.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

CAPTURES=${CAPTURES:-100}
export IECAPT_HOST_IDLE=2
MARKER="iecapt-soak-$$"
mkdir "$BENCH_WORK/out"
profiles_before=$(find "$PROFILE_BASE" -maxdepth 1 -name 'iecapt-*' | wc -l)
pages=(/blocks.html /tall.html /lazy.html /dialogs.html /missing.html)

failures=0
started=$(date +%s.%N)
for i in $(seq "$CAPTURES"); do
  page=${pages[$((i % ${#pages[@]}))]}
  # The marker in the environment is inherited by every process the tool starts.
  if ! env IECAPT_SOAK_MARKER="$MARKER" \
      "$IECAPT" --url="$SERVER$page" --out="$BENCH_WORK/out/$i.jpg" 2>/dev/null; then
    failures=$((failures + 1))
  fi
done
elapsed=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')

processes_left() {
  local environ pid state count=0
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}; pid=${pid%/environ}
    state=$(awk '{ print $3 }' "/proc/$pid/stat" 2>/dev/null || true)
    if [ "$state" != "Z" ] && grep -qzx "IECAPT_SOAK_MARKER=$MARKER" "$environ" 2>/dev/null; then
      count=$((count + 1))
    fi
  done
  echo "$count"
}
# The host and its browser carry the marker too: they go once it has ended.
for _ in $(seq 200); do
  [ "$(processes_left)" -eq 0 ] && break
  sleep 0.1
done
left_processes=$(processes_left)
left_folders=$(($(find "$PROFILE_BASE" -maxdepth 1 -name 'iecapt-*' | wc -l) - profiles_before))
left_parts=$(find "$BENCH_WORK/out" -name '.*' | wc -l)

awk -v n="$CAPTURES" -v s="$elapsed" -v f="$failures" \
  'BEGIN { printf "captures: %d in %.1f s (%.0f ms each), failed: %d\n", n, s, s * 1000 / n, f }'
echo "browser processes left: $left_processes"
echo "temporary folders left in $PROFILE_BASE: $left_folders"
echo "partial output files left: $left_parts"
[ "$failures" -eq 0 ] && [ "$left_processes" -eq 0 ] && [ "$left_folders" -eq 0 ] && [ "$left_parts" -eq 0 ]
