#!/usr/bin/env bash
# Retakes the screenshots under Xvfb: docs/screenshot.png (the demo strip),
# docs/screenshot-menu.png (the same with the information menu of a sign open),
# docs/screenshot-preferences.png (the preferences window), and, in the dark
# colours of the Ticker page, docs/screenshot-dark.png (the strip) and
# docs/screenshot-appearance.png (the Ticker page). Extra arguments go to pennant
# for the first three (by default --demo).
set -euo pipefail
cd "$(dirname "$0")/.."
pennant="${PENNANT:-build/pennant}"
build_dir="$(dirname "$pennant")"
delay="${SCREENSHOT_DELAY:-30}"
[ $# -gt 0 ] || set -- --demo
mkdir -p docs

# shot NAME MENU PREFERENCES PAGE ARGUMENTS...
shot() {
    local name="$1" menu="$2" preferences="$3" page="$4"
    shift 4
    PENNANT_SCREENSHOT="docs/$name.png" PENNANT_SCREENSHOT_DELAY="$delay" PENNANT_SCREENSHOT_MENU="$menu" \
        PENNANT_SCREENSHOT_PREFERENCES="$preferences" PENNANT_SCREENSHOT_PAGE="$page" \
        xvfb-run -a -s "-screen 0 1280x480x24 -noreset" "$pennant" "$@"
    echo "docs/$name.png"
}

shot screenshot 0 0 0 "$@"
shot screenshot-menu 1 0 0 "$@"
shot screenshot-preferences 0 1 0 "$@"

# The dark look: the demo feeds in a settings file of their own, with the Ticker
# page's dark colours (the link colour left automatic).
dark="$(mktemp -d)"
trap 'rm -rf "$dark"' EXIT
python3 - "$build_dir/Info.json" "$PWD/resources/demo" "$dark/settings.json" <<'PY'
import glob, json, pathlib, sys
info, demo, out = sys.argv[1:]
identifier = json.load(open(info))["CFBundleIdentifier"]
feeds = [{"url": pathlib.Path(p).as_uri(), "interval": 30, "enabled": True}
         for p in sorted(glob.glob(demo + "/*.xml") + glob.glob(demo + "/*.rdf"))]
json.dump({"org.pennant.host": {"textColor": "#e8e8e8", "backgroundColor": "#202124", "linkColor": "auto"},
           identifier: {"feeds": feeds, "ignored": {}, "useTTL": True, "titleLength": 30}},
          open(out, "w"), indent=4)
PY
shot screenshot-dark 0 0 0 --settings "$dark/settings.json"
shot screenshot-appearance 0 1 1 --settings "$dark/settings.json"
