#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
cd "$root"
cmake --preset debug >/dev/null
cmake --build --preset debug
ctest --preset debug "$@"
