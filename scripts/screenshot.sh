#!/usr/bin/env bash
# Takes a screenshot of the real window, run against the simulated cards under a
# virtual X server: docs/screenshot.png (or the path given).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/docs/screenshot.png}")

"$root/scripts/setup.sh"
cmake --preset release -S "$root" >/dev/null
cmake --build "$root/build/release" --target MXB2816_DIO_setup kovra_ox9162 >/dev/null

state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT
# A state folder of its own, so that the picture shows a freshly made rack.
export XDG_STATE_HOME="$state"

xvfb-run -a -s "-screen 0 640x480x24" bash -c '
    set -euo pipefail
    export LD_LIBRARY_PATH="'"$root"'/build/release/sim"
    cd "'"$root"'/data"
    "'"$root"'/build/release/src/app/MXB2816_DIO_setup" &
    program=$!
    for _ in $(seq 50); do
        id=$(xwininfo -root -tree 2>/dev/null | awk "/MXB-2816 DIO setup  v.1.03/ {print \$1; exit}")
        [ -n "$id" ] && break
        sleep 0.1
    done
    sleep 0.5
    import -window "$id" "'"$out"'"
    kill $program
'
echo "Screenshot: $out"
