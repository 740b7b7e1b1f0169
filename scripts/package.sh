#!/usr/bin/env bash
# Builds the Debian package pennant_VERSION_ARCH.deb.
#
#   scripts/package.sh [--check] [--output DIR] [--build-dir DIR]
#       configures a release tree for /usr (build-deb/ by default) with Debian's
#       build flags, builds it and packages it into DIR (the current folder);
#       --check then runs lintian, appstreamcli, desktop-file-validate and man.
#   scripts/package.sh --from-build DIR [--output DIR]
#       packages a tree that is built already, as it is (the package test does
#       this with the test's own tree, which is not rebuilt).
#
# The package's dependencies come from dpkg-shlibdeps, from the libraries the
# programs link against.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="$root/build-deb"
output="$PWD"
from_build=""
check=0
while [ $# -gt 0 ]; do
    case "$1" in
    --check) check=1 ;;
    --output) output="$2"; shift ;;
    --build-dir) build_dir="$2"; shift ;;
    --from-build) from_build="$2"; shift ;;
    *) echo "usage: $0 [--check] [--output DIR] [--build-dir DIR | --from-build DIR]" >&2; exit 2 ;;
    esac
    shift
done
for tool in dpkg-deb dpkg-shlibdeps cmake gzip strip; do
    command -v "$tool" >/dev/null || { echo "package.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

if [ -n "$from_build" ]; then
    build_dir="$(cd "$from_build" && pwd)"
else
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-/work}"
    # Debian's hardening flags, as a package built by dpkg-buildpackage gets them.
    export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
    cflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
    ldflags="$(dpkg-buildflags --get LDFLAGS)"
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DNEWSREEL_BUILD_TESTS=OFF -DCMAKE_CXX_FLAGS="$cflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
        -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" >/dev/null
    cmake --build "$build_dir" --target pennant newsreel
fi

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")"
arch="$(dpkg --print-architecture)"
[ -n "$version" ] || { echo "package.sh: $build_dir is not a configured build tree" >&2; exit 1; }

# dpkg-shlibdeps reads debian/control and takes libraries found in debian/<package>
# for the package's own, so the tree is laid out as a source package's would be.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
stage="$work/debian/pennant"
DESTDIR="$stage" cmake --install "$build_dir" --prefix /usr --strip >/dev/null

mapfile -t objects < <(find "$stage" -type f \( -path '*/bin/*' -o -name '*.so' -o -name '*.so.*' \))
# As dh_strip leaves them: no compiler banner either.
strip --remove-section=.comment --remove-section=.note "${objects[@]}"

doc="$stage/usr/share/doc/pennant"
install -d "$doc"
install -m 644 "$root/packaging/copyright" "$doc/copyright"
gzip -9n <"$root/packaging/changelog" >"$doc/changelog.gz"
find "$stage/usr/share/man" -type f -name '*.[0-9]' -exec gzip -9nf {} +
# Modes as Debian wants them: shared objects are not executables.
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
chmod 755 "$stage/usr/bin/"*

# $ORIGIN in a RUNPATH is resolved within the tree that holds DEBIAN/.
install -d "$stage/DEBIAN"
printf 'Source: pennant\n\nPackage: pennant\nArchitecture: any\n' >"$work/debian/control"
private_libs="$(dirname "$(find "$stage" -name 'libpennantkit.so*' -print -quit)")"
depends="$(cd "$work" && dpkg-shlibdeps -O -l"$private_libs" "${objects[@]}" 2>"$work/shlibdeps.log" |
    sed -n 's/^shlibs:Depends=//p')" || { cat "$work/shlibdeps.log" >&2; exit 1; }
# The private library carries no version in its name, which is as it should be.
grep -v -e 'binaries to analyze should already be installed' -e "can't extract name and version" \
    "$work/shlibdeps.log" >&2 || true
[ -n "$depends" ] || { echo "package.sh: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

size="$(du -sk --apparent-size "$stage" | cut -f1)"
sed -e "s|@VERSION@|$version|" -e "s|@ARCH@|$arch|" -e "s|@SIZE@|$size|" -e "s|@DEPENDS@|$depends|" \
    "$root/packaging/control.in" >"$stage/DEBIAN/control"
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
chmod 644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

mkdir -p "$output"
deb="$output/pennant_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "$deb"

if [ "$check" -eq 1 ]; then
    status=0
    lintian --info --display-info "$deb" || status=1
    appstreamcli validate --no-net "$stage/usr/share/metainfo/"*.metainfo.xml || status=1
    desktop-file-validate "$stage/usr/share/applications/pennant.desktop" || status=1
    desktop-file-validate "$stage/usr/share/pennant/pennant-autostart.desktop" || status=1
    man --warnings -l "$stage/usr/share/man/man1/pennant.1.gz" >/dev/null || status=1
    exit $status
fi
