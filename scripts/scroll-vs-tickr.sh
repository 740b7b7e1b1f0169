#!/usr/bin/env bash
# Scrolling against Debian's tickr, a ticker of its own: the same feed served over
# loopback, the same speed and frame rate (3 px every 24 ms, 125 px/s), each
# program alone under Xvfb; prints the CPU share of each over the same period and
# the ratio (target: pennant at most 0.7x tickr). tickr is a reference to measure
# against, never a dependency: without it (or xdotool, which answers its first-run
# questions) the comparison is skipped with a line saying why.
#
#   scripts/scroll-vs-tickr.sh [BUILD_DIR]     (default build-bench; needs bench_feeds)
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
build="${1:-build-bench}"
seconds="${SCROLL_SECONDS:-30}"
warmup=8

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# CPU share of a process over $seconds, in percent of one core.
cpu_share() {
    local before after
    before=$(ticks "$1")
    sleep "$seconds"
    after=$(ticks "$1")
    awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * t / hz / s }'
}

# Inside Xvfb: start one ticker, let it settle, print its CPU share.
if [ "${1:-}" = --inside ]; then
    program=$2 work=$3 url=$4
    if [ "$program" = pennant ]; then
        "$work/pennant" --settings "$work/settings.json" --plugins "$work/plugins" >/dev/null 2>&1 &
        pid=$!
    else
        HOME="$work/tickr-home" tickr -no-ui -delay=24 -shiftsize=3 -disablepopups=y -itemdescription=n \
            "$url" >/dev/null 2>&1 &
        pid=$!
        # A fresh tickr asks whether to import or take a sample list of feeds: no.
        for _ in $(seq 1 20); do
            sleep 0.5
            if xdotool search --onlyvisible --name 'Tickr-' >/dev/null 2>&1; then break; fi
            for dialog in $(xdotool search --onlyvisible --name '^Tickr$' 2>/dev/null); do
                xdotool windowfocus --sync "$dialog" key --clearmodifiers alt+n 2>/dev/null || true
            done
        done
    fi
    sleep "$warmup"
    kill -0 "$pid" 2>/dev/null || { echo "failed"; exit 0; }
    cpu_share "$pid"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    exit 0
fi

missing=""
for tool in tickr xdotool xvfb-run python3; do
    command -v "$tool" >/dev/null || missing+=" $tool"
done
if [ -n "$missing" ]; then
    echo "scrolling vs tickr: skipped, not installed:$missing (apt-get install tickr xdotool xvfb to compare)"
    exit 0
fi

work=$(mktemp -d)
server=""
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/tickr-home"
"$build/bench/bench_feeds" --generate "$work/feed.xml" 50
ln -s "$(realpath "$build/pennant")" "$work/pennant"
ln -s "$(realpath "$build/plugins")" "$work/plugins"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work" >/dev/null 2>&1 &
server=$!
until (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do sleep 0.1; done
url="http://127.0.0.1:$port/feed.xml"
cat >"$work/settings.json" <<EOF
{"org.pennant.host": {"speed": 125},
 "org.pennant.newsreel": {"feeds": [{"url": "$url", "interval": 60, "enabled": true}],
                          "useTTL": false, "titleLength": 30}}
EOF

screen="-screen 0 1280x200x24 -noreset"
ours=$(xvfb-run -a -s "$screen" "$self" --inside pennant "$work" "$url")
theirs=$(xvfb-run -a -s "$screen" "$self" --inside tickr "$work" "$url")
echo "pennant ${ours}% of a core, tickr ${theirs}%, over ${seconds} s at 125 px/s (3 px every 24 ms)"
awk -v a="$ours" -v b="$theirs" 'BEGIN {
    if (a == "failed" || b == "failed" || b <= 0) { print "| 9 scrolling vs tickr | not measured | <= 0.7x | MISSED |"; exit }
    r = a / b
    printf "| %-44s | %-30s | %-14s | %-4s |\n", "9 scrolling CPU vs tickr, same frame rate", sprintf("%.2fx", r), "<= 0.7x", r <= 0.7 ? "met" : "MISSED"
}'
