#!/usr/bin/env bash
# Installs what is missing, builds, and starts Orlenda.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
exec "$ORLENDA_BUILD/bin/orlenda" "$@"
