#!/usr/bin/env bash
# Renders the About box's banner (res/about_banner.bmp, bitmap 25150) from its source
# about_banner.svg with ImageMagick (Debian package imagemagick). The bitmap is kept in the
# repository, so builds need no image tools; run this after editing the picture.
set -euo pipefail
cd "$(dirname "$0")"
convert -background white about_banner.svg -flatten -type Palette -colors 256 -compress None BMP3:../about_banner.bmp
