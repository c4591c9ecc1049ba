#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and the address and
# undefined-behaviour sanitizers, then runs each for the given time.
#
#   fuzz/run.sh [seconds-per-target] [target...]     (default 20 s, every target)
#
# Inputs that find new paths collect in build-fuzz/corpus/<target>/ (the seeds
# in fuzz/corpus/<target>/ are only read); a crash is written to
# build-fuzz/crashes/<target>/ and makes the script fail. KESTREL_FUZZ_BUILD
# names another build folder configured with clang.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
if [ $# -gt 0 ]; then
    shift
fi
build=${KESTREL_FUZZ_BUILD:-build-fuzz}
all_targets=(sevenzip_listing sevenzip_progress rar_catalog entry_path legacy_names zip_extract zip_reader rar_extract)
if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=("${all_targets[@]}")
fi

# A new build folder gets no tests; an existing one (CI's build-asan, configured
# with clang) keeps them and shares its sanitized core with the fuzzers.
options=(-DKESTREL_BUILD_FUZZERS=ON -DKESTREL_SANITIZE=ON)
if [ ! -f "$build/CMakeCache.txt" ]; then
    options+=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DKESTREL_BUILD_TESTS=OFF)
fi
CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S . -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
passed=()
failed=()
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    crashes="$build/crashes/$target"
    log="$build/logs/$target.log"
    mkdir -p "$corpus" "$crashes" "$(dirname "$log")"
    echo "== fuzz_$target: ${seconds} s"
    if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 \
        -artifact_prefix="$crashes/" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
        grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$log" || true
        passed+=("$target")
    else
        tail -n 60 "$log"
        failed+=("$target")
    fi
done

echo "fuzz: ${#passed[@]} passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzz targets that failed: ${failed[*]} (inputs under $build/crashes/)" >&2
    exit 1
fi
