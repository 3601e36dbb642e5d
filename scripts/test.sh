#!/usr/bin/env bash
# Sets up, checks the formatting, configures, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Before the build: a formatting fault fails in seconds, not after a full build.
bash scripts/check_format.sh
bash scripts/check_sql_layers.sh
BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
cd "$BUILD"
# A test that hangs fails after ten minutes instead of holding the run.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j "$(nproc)"
