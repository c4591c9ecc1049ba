#!/usr/bin/env bash
# Builds Kestrel Archive and starts it, installing missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target kestrel-archive
exec ./build/src/kestrel-archive "$@"
