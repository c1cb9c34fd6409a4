#!/usr/bin/env bash
# Whole-book search, measured side by side in one run:
#   - the Python manual (python3.11-doc; skipped when not installed):
#     compile time with the index against `zip -r -6` and against the
#     compile without it (medians of 3), the index's share of the eBook's
#     size, and query latency (30 fixed queries, 20 snippets each);
#   - a generated book of PAGES pages of about 50 KB (20,000: about 1 GB):
#     the first search after start (opening the index included) and the
#     query latency on 30 queries of its vocabulary.
#   bench/search.sh [PAGES] [ROUNDS]      (default 20000 pages, 5 rounds)
# Needs about 3 GB in the temporary folder for 20,000 pages.
# BENCH_SEARCH_BEFORE=path/to/bench_search (another build's) also runs that
# one and this build's alternately on each eBook, ROUNDS times, and prints
# the ratios of their medians (this build's over the other's).
set -euo pipefail
cd "$(dirname "$0")/.."
pages=${1:-20000}
rounds=${2:-5}
cmake --build build -j "$(nproc)" --target zorbin-compiler make_corpus bench_search >/dev/null
compiler=${BENCH_COMPILER:-build/bin/zorbin-compiler}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds() { /usr/bin/time -f "%e" -o "$work/time" "$@" >/dev/null 2>&1; cat "$work/time"; }
median3() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# This build's bench_search against BENCH_SEARCH_BEFORE's, alternately.
against_before() {
  local label=$1 book=$2 queries=$3 runs=$work/before-after
  [ -n "${BENCH_SEARCH_BEFORE:-}" ] || return 0
  : >"$runs"
  for ((i = 0; i < rounds; i++)); do
    echo "before $("$BENCH_SEARCH_BEFORE" "$book" "$queries" 1)" >>"$runs"
    echo "after $(build/bench/bench_search "$book" "$queries" 1)" >>"$runs"
  done
  local fb fa qb qa
  fb=$(awk '$1 == "before" { print $3 }' "$runs" | median) fa=$(awk '$1 == "after" { print $3 }' "$runs" | median)
  qb=$(awk '$1 == "before" { print $5 }' "$runs" | median) qa=$(awk '$1 == "after" { print $5 }' "$runs" | median)
  awk -v l="$label" -v fb="$fb" -v fa="$fa" -v qb="$qb" -v qa="$qa" 'BEGIN {
    printf "%s, against the build before: first search %.1f ms / %.1f ms = %.3f, query median %.1f ms / %.1f ms = %.3f (goal <= 1.05: %s)\n",
           l, fa, fb, fa / fb, qa, qb, qa / qb, fa / fb <= 1.05 && qa / qb <= 1.05 ? "met" : "NOT met" }'
}

python_manual() {
  local folder=/usr/share/doc/python3.11/html z=() c=() n=() size plain
  [ -d "$folder" ] || { echo "python manual: not installed (apt-get install python3.11-doc), skipped"; return; }
  for _ in 1 2 3; do
    rm -f "$work/py.zip" "$work/py.exe" "$work/plain.exe"
    z+=("$(seconds zip -r -6 -q "$work/py.zip" "$folder")")
    c+=("$(seconds "$compiler" build "$folder" --first-page index.html -q -o "$work/py.exe")")
    n+=("$(seconds "$compiler" build "$folder" --first-page index.html -q --no-search-index -o "$work/plain.exe")")
  done
  size=$(stat -c %s "$work/py.exe") plain=$(stat -c %s "$work/plain.exe")
  awk -v z="$(median3 "${z[@]}")" -v c="$(median3 "${c[@]}")" -v n="$(median3 "${n[@]}")" -v s="$size" -v p="$plain" 'BEGIN {
    printf "python manual: zip -r -6 %.2f s, compile %.2f s with the index, %.2f s without: ratio to zip %.2f (goal <= 0.55: %s)\n",
           z, c, n, c / z, c / z <= 0.55 ? "met" : "NOT met"
    printf "python manual: eBook %.1f MB, %.1f MB without the index: the index adds %.1f %% (goal <= 25 %%: %s)\n",
           s / 1048576, p / 1048576, (s - p) * 100 / p, (s - p) * 100 / p <= 25 ? "met" : "NOT met" }'
  cat >"$work/py.queries" <<'QUERIES'
dictionary
iterator
socket
decorator
exception
unicode
thread
regular
json
logging
asyn*
subproc*
datet*
serial*
coro*
pars*
encod*
compr*
tempf*
collect*
"context manager"
"regular expression"
"keyword argument"
"standard library"
"file object"
zyzzyva
qwertyuiop
xylograph
flibbertigibbet
quux
QUERIES
  build/bench/bench_search "$work/py.exe" "$work/py.queries" "$rounds" | awk '{
    printf "python manual: query median %.1f ms, 90th percentile %.1f ms (goal <= 15 ms: %s); first search %.1f ms\n",
           $4, $6, $4 <= 15 ? "met" : "NOT met", $2 }'
  against_before "python manual" "$work/py.exe" "$work/py.queries"
  rm -f "$work/py.zip" "$work/py.exe" "$work/plain.exe"
}

generated_book() {
  build/bench/make_corpus book "$work/book" "$pages" >/dev/null
  local took
  took=$(seconds "$compiler" build "$work/book" --first-page index.html -q -o "$work/book.exe")
  rm -rf "$work/book"
  build/bench/bench_search "$work/book.exe" "$work/book.queries" "$rounds" | awk -v n="$pages" -v t="$took" \
      -v mb="$(( $(stat -c %s "$work/book.exe") >> 20 ))" '{
    printf "generated book of %d pages (%d MB, compiled in %.0f s): query median %.1f ms, 90th percentile %.1f ms (goal <= 40 ms: %s)\n",
           n, mb, t, $4, $6, $4 <= 40 ? "met" : "NOT met"
    printf "generated book: first search after start %.1f ms (goal <= 150 ms: %s); index %d KB\n",
           $2, $2 <= 150 ? "met" : "NOT met", $8
    printf "text libraries looked up at run time, as the viewer does at its first search, in %.3f ms\n", $10 }'
  against_before "generated book" "$work/book.exe" "$work/book.queries"
}

python_manual
generated_book
