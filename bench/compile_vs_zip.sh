#!/usr/bin/env bash
# Compile speed and memory against `zip -r -6` of the same folder, side by
# side in one run: a generated tree, and real documentation trees from
# Debian's packages (the Python manual from python3.11-doc, and
# /usr/share/gtk-doc/html from libgtk-3-doc and libglib2.0-doc; each is
# skipped when its packages are not installed). Prints each ratio.
#   bench/compile_vs_zip.sh [MEGABYTES]      (the generated tree's size, default 300)
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-300}
cmake --build build -j "$(nproc)" --target zorbin-compiler make_corpus >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bench/make_corpus tree "$work/generated" "$size" >/dev/null

seconds() { /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1; cat "$work/time"; }

measure() {
  local name=$1 folder=$2 zip_time compile_time rss book_mb
  rm -f "$work/out.zip" "$work/out.exe"
  zip_time=$(seconds zip -r -6 -q "$work/out.zip" "$folder" | cut -d' ' -f1)
  read -r compile_time rss < <(seconds build/bin/zorbin-compiler build "$folder" --first-page index.html -q -o "$work/out.exe")
  book_mb=$(( $(stat -c %s "$work/out.exe") / 1048576 ))
  awk -v n="$name" -v z="$zip_time" -v c="$compile_time" -v r="$rss" -v b="$book_mb" 'BEGIN {
    printf "%-10s zip -r -6 %6.2f s   compile %6.2f s   ratio %.2f (goal <= 0.55)\n", n, z, c, c / z
    printf "%-10s peak RSS %6.0f MB   eBook %5d MB   limit %.0f MB (1.5 x eBook + 100)\n", n, r / 1024, b, 1.5 * b + 100
  }'
}

measure generated "$work/generated"
real_tree() {
  local name=$1 folder=$2 packages=$3
  if [ -d "$folder" ]; then
    measure "$name" "$folder"
  else
    echo "$name skipped: apt-get install $packages for a real documentation tree"
  fi
}
real_tree python-doc /usr/share/doc/python3.11/html python3.11-doc
real_tree gtk-doc /usr/share/gtk-doc/html "libgtk-3-doc libglib2.0-doc"
