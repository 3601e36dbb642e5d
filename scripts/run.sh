#!/usr/bin/env bash
# Sets up, builds and starts Vexa. With the desktop program built it opens the sample
# workspace; otherwise the command-line program solves the sample broiler formula.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j "$(nproc)" >/dev/null
if [ -x "$BUILD/src/vexa" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$BUILD/src/vexa" "$@"
fi
exec "$BUILD/src/vexa-cli" solve samples/broiler_starter.json --report solution,contribution,sensitivity
