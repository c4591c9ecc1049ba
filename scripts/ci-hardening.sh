#!/usr/bin/env bash
# The hardening run, after the README's test command in .ci/run: the core
# tests again under the address and undefined-behaviour sanitizers (with leak
# detection), then a short run of every fast fuzz target.
#
#   scripts/ci-hardening.sh [seconds-per-fuzz-target]     (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=${1:-10}

bash scripts/install-deps.sh --fuzz
# Only the core test folders: the GUI tests would double the build time.
mapfile -t asan_tests < <(grep -rhoP 'kestrel_add_test\(\K[A-Za-z0-9_]+' \
    tests/Archive tests/Model tests/Report tests/Fuzz --include=CMakeLists.txt | sort -u)
# Line tables (-g1) are all the sanitizer reports need, and build faster.
asan_options=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DKESTREL_SANITIZE=ON)
targets=("${asan_tests[@]}")
fuzz=false
if command -v clang++ >/dev/null; then
    # One clang build serves the tests and the fuzz targets: the core is
    # compiled once. A build folder left by another compiler starts over.
    if [ -f build-asan/CMakeCache.txt ] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang' build-asan/CMakeCache.txt; then
        rm -rf build-asan
    fi
    export CC=clang CXX=clang++
    asan_options+=(-DKESTREL_BUILD_FUZZERS=ON)
    # Not rar_extract: it extracts each input into a fresh folder and may run
    # unar (a few inputs a second), so a short run adds little to
    # tst_fuzzregressions replaying its seeds.
    fuzz_targets=(sevenzip_listing sevenzip_progress rar_catalog entry_path legacy_names zip_extract zip_reader)
    targets+=("${fuzz_targets[@]/#/fuzz_}")
    fuzz=true
fi
cmake -S . -B build-asan "${asan_options[@]}" >/dev/null
cmake --build build-asan -j"$(nproc)" --target "${targets[@]}"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j"$(nproc)" \
    -R "^($(IFS='|' && echo "${asan_tests[*]}"))\$"

if [ "$fuzz" = true ]; then
    KESTREL_FUZZ_BUILD=build-asan bash fuzz/run.sh "$fuzz_seconds" "${fuzz_targets[@]}"
else
    echo "clang++ is missing: fuzz targets not run" >&2
fi
