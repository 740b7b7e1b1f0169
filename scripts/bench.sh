#!/usr/bin/env bash
# Installs what is missing (and Debian's feedparser as the peer), builds a release
# tree with the benchmarks, and prints every figure with its target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if ! /usr/bin/python3 -c 'import feedparser' 2>/dev/null; then
    sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq python3-feedparser
fi
BUILD_DIR=build-bench BUILD_TYPE=Release scripts/build.sh -DNEWSREEL_BUILD_BENCH=ON -DNEWSREEL_BUILD_TESTS=OFF
echo "== feeds"
build-bench/bench/bench_feeds
echo
echo "== 1 the whole process"
scripts/bench-headless.sh build-bench
echo
echo "== 7, 8 hostile feeds and descriptions: CPU of the worst case within every bound"
build-bench/bench/bench_hostile
echo
echo "== 6 scrolling: CPU per second of the ticker window scrolling 50 signs (target: report)"
echo "-- offscreen"
QT_QPA_PLATFORM=offscreen build-bench/bench/bench_scroll
if command -v xvfb-run >/dev/null; then
    echo "-- under Xvfb"
    xvfb-run -a -s "-screen 0 1280x200x24 -noreset" build-bench/bench/bench_scroll
fi
echo
echo "== 9 scrolling against Debian's tickr (target: pennant <= 0.7x tickr's CPU)"
scripts/scroll-vs-tickr.sh build-bench
