#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite: on Linux, then once more
# under AddressSanitizer and UBSan, where a fault guard that mishandles the signal
# stack or mask, or a stray memory access anywhere, shows up; then the Windows builds
# under Wine, 64-bit and 32-bit. Arguments go to every ctest run (-R pattern, ...).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh" --windows
cd "$root"
for preset in debug asan windows-x64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" "$@"
done

# The release target. Its programs need a host that executes 32-bit x86 code; where
# there is none, the checks of the built files still run.
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86
if scripts/wine-run --can-run-32-bit; then
    ctest --preset windows-x86 "$@"
else
    echo "The 32-bit Windows tests were not run; only the checks of the built files." >&2
    ctest --preset windows-x86 -R '^windows_binaries$'
fi
