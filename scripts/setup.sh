#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (as root, or with sudo).
#
#   setup.sh             the Linux program, its tests and benchmarks
#   setup.sh --windows   also the Windows cross builds and Wine to test them: MinGW-w64
#                        for 32-bit and 64-bit Windows, GoogleTest's sources, wine64,
#                        and wine32 (with the i386 architecture) for 32-bit programs
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev           # Qt 6 Widgets
    libgtest-dev           # tests
    libbenchmark-dev       # bench/
    fonts-wine             # a TrueType "MS Sans Serif", the window's font
    xvfb xauth x11-utils imagemagick   # a display for machines without one, screenshots
)
windows=false
if [ "${1:-}" = --windows ]; then
    windows=true
    packages+=(
        g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
        googletest             # GoogleTest's sources, built for the Windows targets
        wine64 wine32:i386
    )
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# wine32 is an i386 package.
added_architecture=false
if $windows && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    added_architecture=true
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && ! $added_architecture && exit 0

echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
[ ${#missing[@]} -eq 0 ] && exit 0
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
