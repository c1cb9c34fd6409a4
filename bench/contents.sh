#!/usr/bin/env bash
# The book's table of contents, in one run:
#   - the source the compile finds in real folders, each checked against the
#     one it should be: the Python manual (python3.11-doc: its Sphinx
#     toctrees), the GTK 3 reference (libgtk-3-doc: its Devhelp book), an
#     EPUB 3 that pandoc makes here from a Markdown book of four chapters
#     (pandoc and unzip: its navigation document) and examples/book (the
#     links of its first page); prints `info`'s contents line and "ok" or
#     "UNEXPECTED" for each, and skips a folder whose packages are missing;
#   - what finding the contents costs the Python manual's compile: compiles
#     with and without --no-contents, alternately, and the ratio of their
#     medians.
#   bench/contents.sh [RUNS]      (compiles of each kind, default 5)
# BENCH_COMPILER=path/to/zorbin-compiler measures another build's compiler.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
cmake --build build -j "$(nproc)" --target zorbin-compiler >/dev/null
compiler=${BENCH_COMPILER:-build/bin/zorbin-compiler}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python_manual=/usr/share/doc/python3.11/html
gtk_reference=/usr/share/gtk-doc/html/gtk3
[ -f "$gtk_reference/gtk3.devhelp2" ] || gtk_reference=/usr/share/doc/libgtk-3-doc/gtk3

seconds() { /usr/bin/time -f "%e" -o "$work/time" "$@" >/dev/null 2>&1; cat "$work/time"; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
skipped() { printf '%-14s skipped: apt-get install %s\n' "$1" "$2"; }

# Compiles FOLDER and checks that `info` names EXPECTED as its contents' source.
check_source() {
  local name=$1 folder=$2 first_page=$3 expected=$4 line verdict=ok
  "$compiler" build "$folder" --first-page "$first_page" -q -o "$work/book.exe"
  line=$("$compiler" info "$work/book.exe" | sed -n 's/^  contents: //p')
  [[ $line == "$expected, "* ]] || verdict="UNEXPECTED (the source should be $expected)"
  printf '%-14s contents: %s  %s\n' "$name" "${line:-none}" "$verdict"
  rm -f "$work/book.exe"
}

python_manual() {
  [ -d "$python_manual" ] || { skipped "python manual" python3.11-doc; return; }
  check_source "python manual" "$python_manual" index.html "the Sphinx toctrees of contents.html"
}

gtk_reference() {
  [ -f "$gtk_reference/gtk3.devhelp2" ] || { skipped "gtk reference" libgtk-3-doc; return; }
  check_source "gtk reference" "$gtk_reference" index.html "the Devhelp book gtk3.devhelp2"
}

# Pandoc's EPUB of a book of 14 headings: 4 chapters, their sections and one subsection.
pandoc_epub() {
  command -v pandoc >/dev/null || { skipped "pandoc epub" pandoc; return; }
  command -v unzip >/dev/null || { skipped "pandoc epub" unzip; return; }
  cat >"$work/tea.md" <<'EOF'
---
title: Tea from Leaf to Cup
author: Zorbin
---

# Growing

Tea is the leaf of *Camellia sinensis*, grown on hillsides in the tropics.

## Soil

Acid, well-drained soil suits it best.

## Climate

Warm days, cool nights and steady rain.

# Picking

The bud and the two leaves below it make the finest tea.

## By hand

Pickers take the youngest shoots every week or so.

## By machine

Flat estates are sheared by machines.

### Shears

Hand shears sit between the two.

# Processing

## Withering

The leaves lie spread out until they go limp.

## Rolling

Rolling breaks the cells and starts oxidation.

## Drying

Heat stops it, earlier for green tea, later for black.

# Brewing

## Water

Fresh, soft water, just off the boil for black tea.

## Time

Three to five minutes; longer makes it bitter.
EOF
  pandoc "$work/tea.md" --toc -o "$work/tea.epub"
  unzip -q "$work/tea.epub" -d "$work/tea"
  check_source "pandoc epub" "$work/tea" EPUB/text/title_page.xhtml "the EPUB navigation document EPUB/nav.xhtml"
}

example_book() { check_source "example book" examples/book index.html "the links of index.html"; }

# The Python manual's compile with its contents against without, alternately.
contents_cost() {
  [ -d "$python_manual" ] || { skipped "python manual" python3.11-doc; return; }
  local build=(build "$python_manual" --first-page index.html -q -o "$work/python.exe") with=() without=()
  for ((i = 0; i < runs; i++)); do
    with+=("$(seconds "$compiler" "${build[@]}")")
    without+=("$(seconds "$compiler" "${build[@]}" --no-contents)")
  done
  awk -v w="$(printf '%s\n' "${with[@]}" | median)" -v n="$(printf '%s\n' "${without[@]}" | median)" -v r="$runs" 'BEGIN {
    printf "python manual: compile %.2f s with the contents, %.2f s without (medians of %d): ratio %.3f (goal <= 1.03: %s)\n",
           w, n, r, w / n, w / n <= 1.03 ? "met" : "NOT met" }'
}

python_manual
gtk_reference
pandoc_epub
example_book
contents_cost
