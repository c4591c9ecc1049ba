#!/usr/bin/env bash
# Refreshes the README's pictures in docs/ from the programs that draw the
# real views (the same ones the test suite runs), so they show what ships.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
cmake --build build --target screenshots
# The tests that also draw what they check: the sheets, the batch window, the
# upgrade page.
ctest --test-dir build --output-on-failure -R '^(tst_filelist|tst_windows|tst_upgradepage)$'
mkdir -p docs
for picture in window_extract@1x window_compress@1x sheet_progress@1x sheet_password_prompt@1x \
    batch_window@1x upgrade_page_1_en@1x; do
    cp "build/screenshots/${picture}.png" "docs/${picture%@1x}.png"
done
echo "pictures in docs/"
