#!/usr/bin/env bash
# Sets everything up, builds, and runs the program against the simulated cards, with
# the sample card catalogue.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<'TXT'
No display: the program needs a window system.
On a machine without one, run it inside a virtual X server:
    xvfb-run -a scripts/run.sh
(and look at it with a screenshot: scripts/screenshot.sh)
TXT
    exit 2
fi

"$root/scripts/setup.sh"
cmake --preset release -S "$root" >/dev/null
cmake --build "$root/build/release" --target MXB2816_DIO_setup kovra_ox9162

# The simulator goes first on the library path; no empty entry may appear, or the
# loader would search the current directory too.
sim_dir="$root/build/release/sim"
export LD_LIBRARY_PATH="$sim_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

# The catalogue is read from the current directory.
cd "$root/data"
exec "$root/build/release/src/app/MXB2816_DIO_setup"
