#!/usr/bin/env bash
# Builds the libFuzzer targets under fuzz/ with clang and runs each for the
# given number of seconds (default 60), nice'd, one after another. Findings
# land in build-fuzz/findings/<target>/; the corpus grows in
# build-fuzz/corpus/<target>/ from one run to the next. Not run by CI.
#   scripts/fuzz.sh [seconds] [target...]
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_missing_packages "$ORLENDA_ROOT/scripts/fuzz-packages.txt"

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(command_line_fuzz list_reader_fuzz)

fuzz_build=${ORLENDA_FUZZ_BUILD:-$ORLENDA_ROOT/build-fuzz}
configure "$fuzz_build" -DCMAKE_CXX_COMPILER=clang++ -DORLENDA_FUZZ=ON \
  -DORLENDA_BUILD_BENCHMARKS=OFF -DORLENDA_WARNINGS_AS_ERRORS=OFF
build "$fuzz_build" "${targets[@]}"

status=0
for target in "${targets[@]}"; do
  corpus="$fuzz_build/corpus/$target"
  findings="$fuzz_build/findings/$target"
  mkdir -p "$corpus" "$findings"
  echo "== $target for $seconds s"
  nice "$fuzz_build/bin/$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
    -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" || status=1
done
exit $status
