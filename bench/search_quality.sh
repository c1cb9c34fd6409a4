#!/usr/bin/env bash
# Search quality on the Python manual (python3.11-doc; skipped when not
# installed), this build against Sphinx's own search side by side in one
# run. The manual is compiled once, with the index; the queries are drawn
# afresh each run from its Sphinx inventory and search index:
#   - 300 API names of the inventory's Python domain (json.dumps), each
#     answered by the page its entry points to;
#   - 200 page titles, each answered by its page;
#   - 100 rare words (in one to three pages), answered by any of those pages.
# Each query goes to this build's search and to the manual's own
# searchtools.js under Node. Prints, per set, how often the answer comes
# first, in the first 3 and in the first 10, how often nothing is found and
# how many first 10 hold a page of _sources/; then the figures against the
# goals.
#   bench/search_quality.sh [--seed N] [--misses]
# The seed (printed; BENCH_SEED too) repeats a run's queries, on another
# build as well; --misses lists every query this build does not answer
# first, with its expected pages and what came first (here and in Sphinx).
set -euo pipefail
cd "$(dirname "$0")/.."
seed=${BENCH_SEED:-$(( (RANDOM << 15) | RANDOM ))}
misses=()
while [ $# -gt 0 ]; do
  case $1 in
    --seed) seed=$2; shift 2 ;;
    --misses) misses=(--misses); shift ;;
    *) echo "usage: bench/search_quality.sh [--seed N] [--misses]" >&2; exit 2 ;;
  esac
done
manual=/usr/share/doc/python3.11/html
[ -d "$manual" ] || { echo "search quality: python manual not installed (apt-get install python3.11-doc), skipped"; exit 0; }
command -v node >/dev/null || { echo "search quality: Node not installed (apt-get install nodejs), skipped"; exit 0; }
cmake --build build -j "$(nproc)" --target zorbin-compiler bench_search_quality >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build/bin/zorbin-compiler build "$manual" --first-page index.html -q -o "$work/py.exe"
python3 bench/search_quality.py sample "$manual" "$seed" >"$work/queries"
cut -f2 "$work/queries" >"$work/typed"
echo "search quality on the Python manual, seed $seed (--seed $seed repeats these queries), first 10 results of each:"
build/bench/bench_search_quality "$work/py.exe" 10 <"$work/typed" >"$work/ours" &
ours=$!
node bench/sphinx_search.js "$manual" 10 <"$work/typed" >"$work/sphinx"
wait "$ours"
python3 bench/search_quality.py score "$work/queries" "$work/ours" "$work/sphinx" "${misses[@]}"
