#!/usr/bin/env bash
# Start-up benchmark. Builds the release configuration, then, under one virtual X
# server, starts the program and an empty Qt Widgets window in turn (N rounds each,
# alternating) and prints the median time from exec to the first painted window and
# the median peak RSS of both, and their ratios. A third run, the empty window with
# one label, shows what the first line of text costs any Qt program.
#   bench/startup/run.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
rounds=${1:-25}

"$root/scripts/setup.sh"
cmake --preset release -S "$root" >/dev/null
cmake --build "$root/build/release" --target MXB2816_DIO_setup kovra_ox9162 empty_window firstpaintprobe >/dev/null

build="$root/build/release"
state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT

xvfb-run -a -s "-screen 0 1024x768x24" env \
    ROUNDS="$rounds" BUILD="$build" DATA="$root/data" XDG_STATE_HOME="$state" \
    QT_QPA_PLATFORM=xcb QT_PLUGIN_PATH="$build/bench/startup/plugins" \
    QT_QPA_GENERIC_PLUGINS=firstpaintprobe LD_LIBRARY_PATH="$build/sim" \
    bash -c '
    set -euo pipefail
    measure() { # program [argument] -> "milliseconds kilobytes"
        local start line
        start=$(date +%s%N)
        line=$(cd "$DATA" && "$@")
        awk -v start="$start" "{ printf \"%.3f %d\n\", (\$2 - start) / 1e6, \$4 }" <<<"$line"
    }
    program="$BUILD/src/app/MXB2816_DIO_setup"
    baseline="$BUILD/bench/startup/empty_window"
    measure "$program" >/dev/null; measure "$baseline" >/dev/null   # warm the caches
    for _ in $(seq "$ROUNDS"); do
        echo "program $(measure "$program")"
        echo "baseline $(measure "$baseline")"
        echo "label $(measure "$baseline" --label)"
    done' | awk '
    { ms[$1] = ms[$1] " " $2; kb[$1] = kb[$1] " " $3 }
    function median(list,   n, v, i, j, t) {
        n = split(list, v, " ")
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] + 0 < v[i] + 0) { t = v[i]; v[i] = v[j]; v[j] = t }
        return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    END {
        pm = median(ms["program"]); bm = median(ms["baseline"])
        pk = median(kb["program"]); bk = median(kb["baseline"])
        lm = median(ms["label"]); lk = median(kb["label"])
        printf "time to first paint (median): program %.1f ms, empty window %.1f ms, ratio %.2fx\n", pm, bm, pm / bm
        printf "peak RSS (median):            program %d kB, empty window %d kB, ratio %.2fx\n", pk, bk, pk / bk
        printf "for reference, the empty window with one label: %.1f ms (%.2fx), %d kB (%.2fx)\n", lm, lm / bm, lk, lk / bk
    }'
