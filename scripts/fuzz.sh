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
#                     go to fuzz/corpus-open-run/;
#   paradox           the reader of the earlier program's Paradox tables (a table and its memo
#                     file converted as an open converts them), from seeds that
#                     fuzz/make_paradox_seeds.cpp writes with pxlib's writer; new inputs go to
#                     fuzz/corpus-paradox-run/.
#   template          the filling of report definitions (Mustache templates that users edit
#                     and share), from the definitions in resources/reports/; new inputs go to
#                     fuzz/corpus-template-run/.
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
if [ "${FUZZ_TARGET:-unpack}" = template ]; then
    gen="$out/generated"
    mkdir -p "$gen" "$out/seeds-template" fuzz/corpus-template-run
    for rep in Nutriente Insumo InsVal NutVal Grupo GrupoDet ForDet; do
        cmake -DINPUT="resources/reports/$rep.rav" -DOUTPUT="$gen/${rep}_data.cpp" \
            -DFUNCTION="reportTemplate$rep" -DHEADER=store/report_templates.h -P cmake/EmbedText.cmake
        cp "resources/reports/$rep.rav" "$out/seeds-template/"
    done
    "$CXX" "${flags[@]}" -I"$gen" src/store/catalog_report.cpp src/store/sqlite_db.cpp \
        src/store/schema_check.cpp src/store/schema.cpp src/store/name_order.cpp \
        src/store/container/cp1252.cpp src/engine/fixed4.cpp \
        "$gen"/{Nutriente,Insumo,InsVal,NutVal,Grupo,GrupoDet,ForDet}_data.cpp \
        fuzz/template_fuzzer.cpp -lsqlite3 -o "$out/template_fuzzer"
    cd "$out"
    ./template_fuzzer -max_total_time="$secs" -max_len=4096 -rss_limit_mb=2048 -timeout=30 \
        -print_final_stats=1 "$@" ../fuzz/corpus-template-run seeds-template
    exit
fi
if [ "${FUZZ_TARGET:-unpack}" = open ] || [ "${FUZZ_TARGET:-unpack}" = paradox ]; then
    # The store and the engine are plain C++ over SQLite and zlib: built from source here.
    # What CMake generates for the normal build: the version header and the sample seed.
    gen="$out/generated"
    mkdir -p "$gen"
    version=$(sed -n 's/^project(Vexa VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    sed "s/@PROJECT_VERSION@/$version/g" cmake/vexa_version.h.in >"$gen/vexa_version.h"
    cmake -DINPUT=samples/sample_workspace.json -DOUTPUT="$gen/sample_workspace_data.cpp" \
        -DFUNCTION=sampleWorkspaceSeed -DHEADER=store/sample_workspace.h -P cmake/EmbedText.cmake
    # The catalogue report templates, compiled in as the normal build does.
    for rep in Nutriente Insumo InsVal NutVal Grupo GrupoDet ForDet; do
        cmake -DINPUT="resources/reports/$rep.rav" -DOUTPUT="$gen/${rep}_data.cpp" \
            -DFUNCTION="reportTemplate$rep" -DHEADER=store/report_templates.h -P cmake/EmbedText.cmake
    done
    if [ "$FUZZ_TARGET" = paradox ]; then
        rm -rf "$out/seeds-paradox"
        "$CXX" -std=c++20 -O1 fuzz/make_paradox_seeds.cpp -lpx -o "$out/make_paradox_seeds"
        "$out/make_paradox_seeds" "$out/seeds-paradox"
        mkdir -p fuzz/corpus-paradox-run
        # The converter needs only the schema and the database layer of the store.
        "$CXX" "${flags[@]}" src/store/legacy/*.cpp src/store/schema.cpp src/store/sqlite_db.cpp src/store/schema_check.cpp \
            src/store/container/cp1252.cpp src/engine/fixed4.cpp fuzz/paradox_fuzzer.cpp -lsqlite3 -lpx -o "$out/paradox_fuzzer"
        cd "$out"
        ./paradox_fuzzer -max_total_time="$secs" -max_len=200000 -rss_limit_mb=1024 -timeout=20 \
            -print_final_stats=1 "$@" ../fuzz/corpus-paradox-run seeds-paradox
        exit
    fi
    rm -rf "$out/seeds-open"
    python3 fuzz/make_open_seeds.py "$out/seeds-open"
    mkdir -p fuzz/corpus-open-run
    "$CXX" "${flags[@]}" -I"$gen" src/store/container/*.cpp src/store/*.cpp src/store/legacy/*.cpp src/engine/*.cpp \
        "$gen/sample_workspace_data.cpp" "$gen"/{Nutriente,Insumo,InsVal,NutVal,Grupo,GrupoDet,ForDet}_data.cpp \
        fuzz/open_fuzzer.cpp -lsqlite3 -lz -ldeflate -lpx -o "$out/open_fuzzer"
    cd "$out"
    ./open_fuzzer -max_total_time="$secs" -max_len=300000 -rss_limit_mb=1024 -timeout=60 \
        -print_final_stats=1 "$@" ../fuzz/corpus-open-run seeds-open
    exit
fi
mkdir -p fuzz/corpus-run
"$CXX" "${flags[@]}" src/store/container/*.cpp fuzz/unpack_fuzzer.cpp -lz -ldeflate -o "$out/unpack_fuzzer"

cd "$out"
./unpack_fuzzer -max_total_time="$secs" -max_len=300000 -rss_limit_mb=1024 -timeout=20 \
    -print_final_stats=1 "$@" ../fuzz/corpus-run ../fuzz/corpus
