#!/usr/bin/env bash
# Brings the translation catalogues up to date with the texts in the code and the
# interface file: the host's (app/) in resources/translations/pennant_*.ts, the
# plug-in's in resources/translations/newsreel_*.ts. New texts come in
# untranslated; Qt Linguist (linguist FILE.ts) translates them. The build turns
# the catalogues into .qm files.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate="${LUPDATE:-/usr/lib/qt6/bin/lupdate}"
[ -x "$lupdate" ] || lupdate="$(command -v lupdate)"
folder=resources/translations
for lang in de fr; do
    "$lupdate" -silent -locations none -no-obsolete -I . app -ts "$folder/pennant_$lang.ts"
    "$lupdate" -silent -locations none -no-obsolete -I . core feeds menu prefs plugin resources/NewsreelPane.ui \
        -ts "$folder/newsreel_$lang.ts"
done
