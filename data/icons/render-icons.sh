#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the hicolor PNG icons from the scalable one. Run it after changing the SVG and
# commit the PNGs, so that building needs no renderer. Needs rsvg-convert (Debian
# package librsvg2-bin).
set -eu
cd "$(dirname "$0")/hicolor"
name=example.ocellus.Ocellus
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}/apps"
    rsvg-convert --width "$size" --height "$size" --output "${size}x${size}/apps/$name.png" \
        "scalable/apps/$name.svg"
done
