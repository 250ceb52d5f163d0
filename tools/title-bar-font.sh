#!/usr/bin/env bash
# Puts the font Wine draws the title bar's buttons with (minimize, maximize,
# close) into a prefix's Fonts folder: Wine's own Marlett, from the Debian
# package fonts-wine. Debian's Wine 8 does not read the fonts of its data
# folder (/usr/share/wine/fonts), so without this copy the buttons show the
# letters "0 1 r" in another font. Quiet and quick when the font is there.
#   tools/title-bar-font.sh PREFIX
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
font=/usr/share/wine/fonts/marlett.ttf
[ -f "$font" ] || "$root/tools/install-packages.sh" fonts-wine
fonts=$1/drive_c/windows/Fonts
mkdir -p "$fonts"
cmp -s "$font" "$fonts/marlett.ttf" || cp "$font" "$fonts/marlett.ttf"
