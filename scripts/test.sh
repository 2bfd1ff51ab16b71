#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$ORLENDA_BUILD"
exec ctest --output-on-failure --timeout 600 --parallel "$(nproc)"
