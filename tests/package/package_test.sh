#!/usr/bin/env bash
# Builds the Debian package from the test's build tree, unpacks it into a
# temporary root and runs the demo from there: the unpacked program must find
# its library, its plug-in bundle and the demo feeds by where it lies, with
# nothing of the build tree or of an installed copy.
#   package_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir="$1"
build_dir="$2"
if ! command -v dpkg-deb >/dev/null; then
    echo "SKIP: dpkg-deb is missing, so no package can be built here"
    exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

deb="$("$source_dir/scripts/package.sh" --from-build "$build_dir" --output "$work")" || fail "package.sh failed"
[ -f "$deb" ] || fail "package.sh made no package ($deb)"
case "$(basename "$deb")" in
pennant_*_"$(dpkg --print-architecture)".deb) ;;
*) fail "the package is named $(basename "$deb"), not pennant_VERSION_ARCH.deb" ;;
esac

depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for lib in libqt6widgets6 libcurl4 libxml2 libc6; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib"
done

dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./||' >"$work/contents"
for path in usr/bin/pennant 'usr/lib/.*pennant/libpennantkit\.so' \
    'usr/lib/.*pennant/plugins/Newsreel\.bundle/libnewsreel\.so' \
    'usr/lib/.*pennant/plugins/Newsreel\.bundle/NewsreelPane\.ui' \
    'usr/share/pennant/demo/newsreel-demo\.xml' usr/share/pennant/pennant-autostart.desktop \
    usr/share/applications/pennant.desktop usr/share/icons/hicolor/scalable/apps/pennant.svg \
    usr/share/icons/hicolor/48x48/apps/pennant.png usr/share/icons/hicolor/128x128/apps/pennant.png \
    usr/share/metainfo/org.pennant.pennant.metainfo.xml usr/share/man/man1/pennant.1.gz \
    usr/share/doc/pennant/copyright usr/share/doc/pennant/changelog.gz \
    usr/share/pennant/translations/pennant_de.qm usr/share/pennant/translations/pennant_fr.qm \
    'usr/lib/.*pennant/plugins/Newsreel\.bundle/translations/newsreel_de\.qm' \
    'usr/lib/.*pennant/plugins/Newsreel\.bundle/translations/newsreel_fr\.qm'; do
    grep -qx "$path" "$work/contents" || fail "the package lacks $path"
done

dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x failed"
mkdir -p "$work/home"
out="$(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    QT_QPA_PLATFORM=offscreen timeout 60 "$work/root/usr/bin/pennant" --headless --demo --once </dev/null)"
status=$?
[ $status -eq 0 ] || { echo "$out"; fail "pennant --headless --demo --once exited with $status"; }
grep -q '"event":"add"' <<<"$out" || { echo "$out"; fail "the demo put up no sign"; }
grep -q 'no plug-in was loaded\|cannot load' <<<"$out" && { echo "$out"; fail "the plug-in did not load"; }
[ -e "$work/home/.config/pennant/settings.json" ] && fail "the demo wrote the user's settings"

# The installed catalogues are found from where the program lies.
help="$(env LANG=de_DE.UTF-8 LC_ALL= LC_MESSAGES= LANGUAGE= "$work/root/usr/bin/pennant" --help 2>/dev/null)"
grep -q '^Aufruf: pennant' <<<"$help" || { echo "$help"; fail "--help under LANG=de_DE.UTF-8 is not German"; }

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$work/root/usr/share/applications/pennant.desktop" || fail "the desktop entry is not valid"
fi
echo "ok: $(basename "$deb") runs its demo from $work/root"
