#!/usr/bin/env bash
# Photographs the compiler's wizard pages (with the example book chosen as
# the project) and the example eBook on a virtual display, into
# build/screenshots/, and refreshes the two pictures the README shows in
# docs/. Needs a build (scripts/check.sh or scripts/run-example.sh) and
# ImageMagick (Debian package imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v import >/dev/null || { echo "screenshots: install ImageMagick (apt-get install imagemagick)" >&2; exit 1; }

cmake --build build -j "$(nproc)" --target zorbin-compiler window_tour >/dev/null
out=build/screenshots
title="A Small Guide to Tea"
mkdir -p "$out" build/example docs
build/bin/zorbin-compiler build examples/book --title "$title" -q -o build/example/tea-guide.exe

xvfb-run -a -s "-screen 0 1024x700x24" bash -c "
  build/tools/window_tour '$out' examples/book '$title'
  build/example/tea-guide.exe & book=\$!
  sleep 4
  import -window root '$out/ebook.png'
  kill \$book
"
# The README's pictures: the window alone, without the empty screen around it.
convert "$out/compiler-2-Project-Files.png" -trim +repage -strip docs/wizard.png
convert "$out/ebook.png" -trim +repage -strip docs/ebook.png
ls "$out" docs/*.png
