#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (as root, or with sudo).
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev           # Qt 6 Widgets
    libgtest-dev           # tests
    libbenchmark-dev       # bench/
    fonts-wine             # a TrueType "MS Sans Serif", the window's font
    xvfb xauth x11-utils imagemagick   # a display for machines without one, screenshots
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
