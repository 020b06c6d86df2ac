#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite; then runs it once more
# under AddressSanitizer and UBSan, where a fault guard that mishandles the signal
# stack or mask, or a stray memory access anywhere, shows up.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
cd "$root"
for preset in debug asan; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" "$@"
done
