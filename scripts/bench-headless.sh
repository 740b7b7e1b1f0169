#!/usr/bin/env bash
# One whole headless update of a 5000-item feed (about 5.7 MB), start-up
# subtracted, against xmllint's SAX pass over the same bytes: both as CPU time
# (user + system), the median of five runs. Usage: bench-headless.sh BUILD_DIR
set -euo pipefail
build="${1:-build-bench}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
"$build/bench/bench_feeds" --generate "$tmp/big.xml" 5000
settings() {
    printf '{"org.pennant.newsreel":{"feeds":[%s],"ignored":{},"useTTL":true,"titleLength":30}}\n' "$1"
}
settings "{\"url\":\"file://$tmp/big.xml\",\"interval\":60,\"enabled\":true}" >"$tmp/one.json"
settings "" >"$tmp/none.json"

# CPU seconds of a command, median of five runs.
cpu() {
    local runs=()
    for _ in 1 2 3 4 5; do
        local TIMEFORMAT='%3U %3S'
        local t
        t="$({ time "$@" >/dev/null 2>&1 </dev/null; } 2>&1 | tail -1)"
        runs+=("$(echo "$t" | awk '{print $1 + $2}')")
    done
    printf '%s\n' "${runs[@]}" | sort -g | sed -n 3p
}
export QT_QPA_PLATFORM=offscreen
update="$(cpu "$build/pennant" --headless --once --settings "$tmp/one.json")"
startup="$(cpu "$build/pennant" --headless --once --settings "$tmp/none.json")"
floor="$(cpu xmllint --sax --noout "$tmp/big.xml")"
awk -v u="$update" -v s="$startup" -v f="$floor" -v bytes="$(stat -c %s "$tmp/big.xml")" 'BEGIN {
    printf "document %.2f MB; pennant --headless --once %.3f s CPU, start-up alone %.3f s, xmllint --sax %.3f s\n",
           bytes / 1e6, u, s, f
    printf "%-48s %10s   target %s\n", "1 whole update, start-up subtracted, vs xmllint", sprintf("%.1fx", (u - s) / f), "<= 3x"
}'
