#!/usr/bin/env bash
# Photographs the compiler's wizard pages and the example eBook on a virtual
# display, into build/screenshots/. Needs a build (scripts/check.sh or
# scripts/run-example.sh) and ImageMagick (Debian package imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v import >/dev/null || { echo "screenshots: install ImageMagick (apt-get install imagemagick)" >&2; exit 1; }

cmake --build build -j "$(nproc)" --target zorbin-compiler window_tour >/dev/null
out=build/screenshots
mkdir -p "$out" build/example
build/bin/zorbin-compiler build examples/book --title "A Small Guide to Tea" -q -o build/example/tea-guide.exe

xvfb-run -a -s "-screen 0 1024x700x24" bash -c "
  build/tools/window_tour '$out'
  build/example/tea-guide.exe & book=\$!
  sleep 4
  import -window root '$out/ebook.png'
  kill \$book
"
ls "$out"
