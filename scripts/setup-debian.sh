#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages Ocellus needs to build, run and test.
# Runs apt-get only for what is missing; uses sudo when not run as root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-translations-l10n
    libturbojpeg0-dev libjpeg62-turbo-dev libjpeg-turbo-progs
    clang libclang-rt-14-dev
    python3 openssl dbus-daemon dbus-x11 xvfb xauth
    curl libbenchmark-dev
    apache2 apache2-utils
    libgl1-mesa-dev fonts-dejavu-core
    libavcodec-dev libavformat-dev libavutil-dev libswscale-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
