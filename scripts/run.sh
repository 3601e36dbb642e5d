#!/usr/bin/env bash
# Sets up, builds and starts Vexa. With the desktop program built it opens the sample
# workspace; otherwise the command-line program solves the sample broiler formula.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "run: installing what the program needs (only the first time)..." >&2
bash scripts/setup.sh
BUILD=${BUILD_DIR:-build}
echo "run: configuring the build in $BUILD/..." >&2
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
# Only the programs: the tests and benchmarks are built by scripts/test.sh. Ninja shows its
# progress ([n/total]); the first build takes a few minutes.
echo "run: building the programs (vexa, vexa-cli, vexa-report-pdf)..." >&2
targets=(vexa-cli)
for t in vexa vexa-report-pdf; do
  if cmake --build "$BUILD" --target help 2>/dev/null | grep -q "^$t:"; then targets+=("$t"); fi
done
cmake --build "$BUILD" -j "$(nproc)" --target "${targets[@]}"
echo "run: starting..." >&2
if [ -x "$BUILD/src/vexa" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # The first start creates the sample workspace Vexa30.VXF in ~/Documents/VXF and opens it.
  exec "$BUILD/src/vexa" "$@"
fi
if [ -x "$BUILD/src/vexa" ]; then
  echo "No display found: the desktop program needs one (a desktop session, or" >&2
  echo "  xvfb-run -a bash scripts/run.sh  with a VNC or screenshot tool)." >&2
  echo "Meanwhile, the command-line program solves the sample formula:" >&2
fi
exec "$BUILD/src/vexa-cli" solve samples/broiler_starter.json --report solution,contribution,sensitivity
