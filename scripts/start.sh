#!/usr/bin/env bash
# Installs what is missing, builds the program and its capture tool, and
# starts Orlenda.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
configure "$ORLENDA_BUILD"
build "$ORLENDA_BUILD" orlenda iecapt
exec "$ORLENDA_BUILD/bin/orlenda" "$@"
