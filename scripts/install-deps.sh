#!/usr/bin/env bash
# Installs the Debian packages Kestrel Archive needs to build, run and test.
# Idempotent: only packages that are missing are installed. With --bench it
# also installs what the benchmarks in bench/ need.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools
    qt6-l10n-tools qt6-translations-l10n libqt6svg6 qt6-qpa-plugins
    libgl-dev libglx-dev libegl-dev libxkbcommon-dev libxcb1-dev
    libarchive-dev libuchardet-dev nettle-dev libdeflate-dev libisal-dev zlib1g-dev
    7zip unar
    zip unzip libarchive-tools  # the readers the zip tests check our archives against
    python3
    desktop-file-utils appstream
    man-db dpkg-dev  # the manual-page check, and dpkg-shlibdeps for the Debian package
    xvfb xauth xdotool x11-utils  # xdotool and xprop answer dialogs of the real binary in tests
    dbus-daemon  # a private session bus for the desktop-integration tests
    fonts-wqy-microhei  # a Chinese font, so Chinese texts and pictures render (and their screenshots)
    clang-format
)

# Only with --fuzz: clang with its libFuzzer and sanitizer runtimes (fuzz/run.sh).
fuzz_packages=(clang clang-14 libclang-rt-14-dev)
if [ "${1:-}" = "--fuzz" ]; then
    packages+=("${fuzz_packages[@]}")
fi

# Only for bench/run.sh: Google Benchmark, the archivers we compare with and
# the X client library that times the window's start-up.
bench_packages=(
    libbenchmark-dev zip unzip libarchive-tools time python3 python3-xlib
)
if [ "${1:-}" = "--bench" ]; then
    packages+=("${bench_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
