#!/usr/bin/env bash
# Installs what building and testing Newsreel needs on Debian 12, when missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-tools-dev libqt6opengl6-dev
          libcurl4-openssl-dev libxml2-dev libgtest-dev libxcb1-dev python3 xauth xvfb x11-utils
          x11-xserver-utils xserver-xephyr openbox xdotool ccache
          qt6-l10n-tools dpkg-dev lintian appstream desktop-file-utils man-db)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
