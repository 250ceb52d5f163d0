#!/usr/bin/env bash
# Formats every C++ file of the repository by .clang-format (installs
# clang-format when missing). With --check, formats nothing and lists the
# files that differ from it.
#   tools/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-packages.sh clang-format
# Sources kept as their makers wrote them (third_party/) are left alone.
mapfile -t files < <(git ls-files '*.h' '*.cpp' ':!third_party/')
if [ "${1:-}" = --check ]; then
  status=0
  for f in "${files[@]}"; do
    clang-format "$f" | cmp -s - "$f" || { echo "format: $f"; status=1; }
  done
  exit $status
fi
clang-format -i "${files[@]}"
