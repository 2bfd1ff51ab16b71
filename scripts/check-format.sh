#!/usr/bin/env bash
# Checks C++ files against the project's .clang-format: those changed since
# the given commit, or every tracked one. Prints what is off; fails if any.
#   scripts/check-format.sh [BASE]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

if [ $# -gt 0 ]; then
  mapfile -t files < <(git diff --name-only --diff-filter=d "$1" -- '*.cpp' '*.h')
else
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
fi
[ ${#files[@]} -eq 0 ] && exit 0
if ! clang-format --dry-run --Werror "${files[@]}"; then
  echo "Misformatted: run clang-format -i on the files above." >&2
  exit 1
fi
echo "${#files[@]} files formatted as .clang-format says"
