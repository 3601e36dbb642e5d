#!/usr/bin/env bash
# Fails when a tracked C++ file differs from .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp' 2>/dev/null || true)
[ -n "$files" ] || exit 0
bad=$(clang-format --dry-run $files 2>&1 | grep -c 'warning:' || true)
if [ "$bad" != "0" ]; then
  clang-format --dry-run $files 2>&1 | grep 'warning:' | cut -d: -f1 | sort -u
  echo "format check: $bad places differ from .clang-format (run scripts/format.sh)"
  exit 1
fi
echo "format check: ok"
