#!/usr/bin/env bash
# Builds a libFuzzer target with clang (address and undefined behaviour sanitizers) and
# runs it for a given number of seconds. Not part of the normal build or of ctest.
#   scripts/fuzz.sh [SECONDS] [extra libFuzzer flags...]
# FUZZ_TARGET picks the target:
#   unpack (default)  the workspace unpacker, from the seeds in fuzz/corpus/; new inputs go
#                     to fuzz/corpus-run/;
#   open              the whole open path (container, database bounds and schema check,
#                     upgrade, first queries and a least-cost run), from seeds that
#                     fuzz/make_open_seeds.py writes (sound and hostile databases); new inputs
#                     go to fuzz/corpus-open-run/.
# Crashes go to build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
shift || true
CXX=${FUZZ_CXX:-clang++}
out=build-fuzz

# clang and its libFuzzer runtime come from Debian; only this script needs them.
probe() { echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long){return 0;}' |
    "$CXX" -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; }
if ! command -v "$CXX" >/dev/null || ! probe; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev zlib1g-dev >/dev/null ||
        $SUDO apt-get install -y -qq --no-install-recommends clang zlib1g-dev >/dev/null
    probe || { echo "fuzz: clang cannot build a libFuzzer target" >&2; exit 1; }
fi

flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -Isrc)
mkdir -p "$out"
if [ "${FUZZ_TARGET:-unpack}" = open ]; then
    # The store and the engine are plain C++ over SQLite and zlib: built from source here.
    # What CMake generates for the normal build: the version header and the sample seed.
    gen="$out/generated"
    mkdir -p "$gen"
    version=$(sed -n 's/^project(Vexa VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    sed "s/@PROJECT_VERSION@/$version/g" cmake/vexa_version.h.in >"$gen/vexa_version.h"
    cmake -DINPUT=samples/sample_workspace.json -DOUTPUT="$gen/sample_workspace_data.cpp" \
        -DFUNCTION=sampleWorkspaceSeed -DHEADER=store/sample_workspace.h -P cmake/EmbedText.cmake
    rm -rf "$out/seeds-open"
    python3 fuzz/make_open_seeds.py "$out/seeds-open"
    mkdir -p fuzz/corpus-open-run
    "$CXX" "${flags[@]}" -I"$gen" src/store/container/*.cpp src/store/*.cpp src/engine/*.cpp \
        "$gen/sample_workspace_data.cpp" fuzz/open_fuzzer.cpp -lsqlite3 -lz -o "$out/open_fuzzer"
    cd "$out"
    ./open_fuzzer -max_total_time="$secs" -max_len=300000 -rss_limit_mb=1024 -timeout=60 \
        -print_final_stats=1 "$@" ../fuzz/corpus-open-run seeds-open
    exit
fi
mkdir -p fuzz/corpus-run
"$CXX" "${flags[@]}" src/store/container/*.cpp fuzz/unpack_fuzzer.cpp -lz -o "$out/unpack_fuzzer"

cd "$out"
./unpack_fuzzer -max_total_time="$secs" -max_len=300000 -rss_limit_mb=1024 -timeout=20 \
    -print_final_stats=1 "$@" ../fuzz/corpus-run ../fuzz/corpus
