#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite; then the fault guard and
# driver tests once more under AddressSanitizer and UBSan, where a guard that mishandles
# the signal stack or the signal mask shows up.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
cd "$root"
cmake --preset debug >/dev/null
cmake --build --preset debug
ctest --preset debug "$@"

cmake --preset asan >/dev/null
cmake --build --preset asan --target guard driver_paths driver_missing_export driver_missing_library sim_test
ctest --preset asan -R '^(guard|driver_|sim)' "$@"
