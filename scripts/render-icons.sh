#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the application icon's PNGs (48, 64, 128 and 256 px) from app/icons/tavoli.svg.
# Run after changing the SVG and commit the PNGs with it: the build installs them as they are,
# so building the package needs no SVG renderer. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
for size in 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" app/icons/tavoli.svg \
    --output "app/icons/tavoli-$size.png"
done
echo "app/icons/tavoli-{48,64,128,256}.png rendered"
