#!/usr/bin/env bash
# Builds a Release Kestrel Archive in build-bench/, writes a reproducible
# corpus and prints markdown tables: our archiver against zip, bsdtar, 7zz and
# unar on the same files, then the micro-benchmarks, and with --gui the
# window's start-up time and event-loop stalls. Progress goes to
# standard error, the tables to standard output.
set -euo pipefail

usage() {
    cat <<'EOF'
Usage: bash bench/run.sh [--size-mb N] [--runs N] [--cases LIST] [--work-dir DIR]
                         [--no-micro] [--no-compare] [--keep]
                         [--memory] [--memory-counts LIST]
                         [--gui] [--startup-runs N]

  --size-mb N     corpus size in MiB (default 200)
  --runs N        runs per tool; the median is reported (default 3)
  --cases LIST    comma-separated subset of compress-zip, compress-7z,
                  extract-zip, extract-7z, extract-rar5, extract-rar4
  --work-dir DIR  corpus, sample archives and outputs (default /tmp/kestrel-bench)
  --no-micro      skip the Google Benchmark micro-benchmarks
  --no-compare    skip the archiver comparison
  --keep          keep the corpus and samples for a later run of the same size
  --memory        also report peak memory by entry count: zips of 20,000,
                  200,000 and 1,000,000 tiny files, extracted and compressed
                  again (the archives stay in WORK_DIR/memory)
  --memory-counts LIST  comma-separated entry counts for --memory
  --gui           also measure the window: start-up to the window shown
                  against a bare Qt window (on a private Xvfb), and the
                  largest event-loop stall while extracting a 1 GiB zip,
                  compressing a 300 MiB corpus to 7z and extracting a
                  40,000-entry RAR (offscreen; inputs stay in WORK_DIR/gui)
  --startup-runs N  starts of each program for --gui; the median is
                  reported (default 10)
EOF
}

size_mb=200
runs=3
cases=compress-zip,compress-7z,extract-zip,extract-7z,extract-rar5,extract-rar4
work_dir=/tmp/kestrel-bench
micro=1
compare=1
keep=0
memory=0
memory_counts=20000,200000,1000000
gui=0
startup_runs=10
while [ $# -gt 0 ]; do
    case "$1" in
    --size-mb) size_mb="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --cases) cases="$2"; shift 2 ;;
    --work-dir) work_dir="$2"; shift 2 ;;
    --no-micro) micro=0; shift ;;
    --no-compare) compare=0; shift ;;
    --keep) keep=1; shift ;;
    --memory) memory=1; shift ;;
    --memory-counts) memory=1; memory_counts="$2"; shift 2 ;;
    --gui) gui=1; shift ;;
    --startup-runs) gui=1; startup_runs="$2"; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
    esac
done

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"
cd "$root"

bash scripts/install-deps.sh --bench >&2
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DKESTREL_BUILD_TESTS=OFF -DKESTREL_BUILD_BENCHMARKS=ON >"$build.configure.log" 2>&1 \
    || { cat "$build.configure.log" >&2; exit 1; }
rm -f "$build.configure.log"
echo "building in $build" >&2
targets=(kestrel-archive kestrel-bench-rar kestrel-micro-bench)
if [ "$gui" = 1 ]; then
    targets+=(kestrel-bench-bare-window kestrel-bench-stall)
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >&2
mkdir -p "$work_dir"

echo "# Kestrel Archive benchmarks"
echo
cpu="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
ram="$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
file_system="$(df -T "$work_dir" 2>/dev/null | awk 'NR == 2 { print $2 }' || true)"
echo "- Machine: $(nproc) cores ($cpu), $ram RAM, Linux $(uname -r), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "- Work folder: $work_dir (${file_system:-?})"
echo "- Tools: $(7zz | grep -m1 -o '7-Zip[^:]*' | xargs), $(zip -v | sed -n 2p | grep -o 'Zip [0-9.]*'),"\
" $(unzip -v | head -1 | grep -o 'UnZip [0-9.]*'), $(bsdtar --version | cut -d' ' -f1-2),"\
" unar $(unar -v 2>&1 | xargs)"
echo

if [ "$compare" = 1 ]; then
    corpus="$work_dir/corpus-${size_mb}mb/corpus"
    if [ ! -d "$corpus" ]; then
        rm -rf "$work_dir/corpus-${size_mb}mb"
        mkdir -p "$work_dir/corpus-${size_mb}mb"
        python3 bench/make_corpus.py "$corpus" --size-mb "$size_mb"
    fi
    python3 bench/compare.py --binary "$build/src/kestrel-archive" \
        --rar-tool "$build/bench/kestrel-bench-rar" --corpus "$corpus" \
        --work "$work_dir/corpus-${size_mb}mb" --runs "$runs" --cases "$cases" \
        --results "$build/bench-results"
    if [ "$keep" = 0 ]; then
        rm -rf "$work_dir/corpus-${size_mb}mb"
    fi
    echo
fi

if [ "$memory" = 1 ]; then
    python3 bench/memory.py --binary "$build/src/kestrel-archive" --work "$work_dir/memory" \
        --counts "$memory_counts"
    echo
fi

if [ "$gui" = 1 ]; then
    # The start-up script needs python-xlib, which Debian installs for its own python3.
    gui_python=python3
    if ! python3 -c 'import Xlib' 2>/dev/null; then
        gui_python=/usr/bin/python3
    fi
    echo "measuring start-up on a private Xvfb" >&2
    "$gui_python" bench/startup.py --binary "$build/src/kestrel-archive" \
        --bare "$build/bench/gui/kestrel-bench-bare-window" --runs "$startup_runs"
    echo
    echo "writing the stall monitor's inputs in $work_dir/gui" >&2
    mapfile -t stall_inputs < <(python3 bench/stall_inputs.py "$work_dir/gui" \
        --rar-tool "$build/bench/kestrel-bench-rar")
    echo "## Largest event-loop stall during a job started from the window (offscreen)"
    echo
    rm -rf "$work_dir/gui/output"
    QT_QPA_PLATFORM=offscreen "$build/bench/gui/kestrel-bench-stall" "$work_dir/gui/output" \
        "extract:${stall_inputs[0]}" "compress-7z:${stall_inputs[1]}" "extract:${stall_inputs[2]}"
    rm -rf "$work_dir/gui/output"
    echo
fi

if [ "$micro" = 1 ]; then
    echo "running the micro-benchmarks" >&2
    "$build/bench/micro/kestrel-micro-bench" --benchmark_out="$build/micro.json" \
        --benchmark_out_format=json >&2
    python3 bench/micro_table.py "$build/micro.json"
fi
