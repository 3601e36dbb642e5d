#!/usr/bin/env bash
# Formats every tracked C++ file in place.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp' | xargs -r clang-format -i
