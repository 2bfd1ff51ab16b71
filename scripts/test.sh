#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test: the
# format check, the whole suite, then the logic and window tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

echo "== Format"
"$ORLENDA_ROOT/scripts/check-format.sh"

echo "== Build and test"
configure "$ORLENDA_BUILD"
build "$ORLENDA_BUILD"
(cd "$ORLENDA_BUILD" && ctest --output-on-failure --timeout 600 --parallel "$(nproc)")

echo "== Sanitizers"
sanitized=${ORLENDA_SANITIZE_BUILD:-$ORLENDA_ROOT/build-sanitize}
# GCC's flow warnings misfire on sanitized code; the build above holds the
# line on warnings.
configure "$sanitized" -DORLENDA_SANITIZE=ON -DORLENDA_BUILD_BENCHMARKS=OFF \
  -DORLENDA_WARNINGS_AS_ERRORS=OFF
build "$sanitized"
# The captures with the real Chromium test the browser more than our code;
# the install and package checks look at files, not at running code.
(cd "$sanitized" && ctest --output-on-failure --timeout 600 --parallel "$(nproc)" -LE "chromium|install")
