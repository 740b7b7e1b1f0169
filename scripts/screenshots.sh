#!/usr/bin/env bash
# Retakes docs/screenshot.png (the demo strip), docs/screenshot-menu.png (the same
# with the information menu of a sign open) and docs/screenshot-preferences.png
# (the preferences window) under Xvfb. Extra arguments go to pennant (by default
# --demo).
set -euo pipefail
cd "$(dirname "$0")/.."
pennant="${PENNANT:-build/pennant}"
delay="${SCREENSHOT_DELAY:-30}"
[ $# -gt 0 ] || set -- --demo
mkdir -p docs
for shot in screenshot screenshot-menu screenshot-preferences; do
    menu=0 preferences=0
    [ "$shot" = screenshot-menu ] && menu=1
    [ "$shot" = screenshot-preferences ] && preferences=1
    PENNANT_SCREENSHOT="docs/$shot.png" PENNANT_SCREENSHOT_DELAY="$delay" PENNANT_SCREENSHOT_MENU="$menu" \
        PENNANT_SCREENSHOT_PREFERENCES="$preferences" \
        xvfb-run -a -s "-screen 0 1280x480x24 -noreset" "$pennant" "$@"
    echo "docs/$shot.png"
done
