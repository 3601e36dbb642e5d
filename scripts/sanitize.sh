#!/usr/bin/env bash
# Builds the engine, container and store tests with AddressSanitizer and
# UndefinedBehaviorSanitizer (Debug, no GUI, no benchmarks) in a build folder of their own and
# runs them. Any report of either sanitizer fails the test that caused it, and so this script.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD=${SANITIZE_BUILD_DIR:-build-sanitize}
FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
LAUNCHER=()
if command -v ccache >/dev/null; then
  LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEXA_BUILD_GUI=OFF \
  -DVEXA_BUILD_BENCH=OFF "${LAUNCHER[@]}" \
  -DCMAKE_CXX_FLAGS="$FLAGS" -DCMAKE_C_FLAGS="$FLAGS" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$BUILD" -j "$(nproc)" \
  --target vexa_engine_tests vexa_container_tests vexa_store_tests vexa-cli
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$BUILD"
ctest --output-on-failure --timeout 600 -j "$(nproc)"
