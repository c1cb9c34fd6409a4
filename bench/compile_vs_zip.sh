#!/usr/bin/env bash
# Compile speed and memory against `zip -r -6` of the same folder, side by
# side in one run:
#   - a folder of one incompressible 600 MB file (a stand-in for a video)
#     and a few pages, and one of a single 300 MB text file;
#   - a generated documentation-like tree, and real documentation trees from
#     Debian's packages (the Python manual from python3.11-doc, and
#     /usr/share/gtk-doc/html from libgtk-3-doc and libglib2.0-doc; each is
#     skipped when its packages are not installed);
#   - the compile's peak memory for 1 GB books: a generated tree, and one
#     file of 1 GB.
# Prints each ratio against its goal; a real documentation tree is timed in 7
# alternated runs, also without its search index. Needs about 6 GB in the
# temporary folder.
#   bench/compile_vs_zip.sh [MEGABYTES]      (the generated tree's size, default 300)
# BENCH_COMPILER=path/to/zorbin-compiler measures another build's compiler,
# for figures before a change.
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-300}
cmake --build build -j "$(nproc)" --target zorbin-compiler make_corpus >/dev/null
compiler=${BENCH_COMPILER:-build/bin/zorbin-compiler}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds() { /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1; cat "$work/time"; }

# Times zip and the compile of one folder, in turn `runs` times (default
# 1); prints their medians and the median of the runs' ratios against
# `goal`. Alternating keeps the ratio meaningful while the host's load
# drifts; a small folder takes several runs, since one run of a second
# moves with that load. With `apart` set, each run also times the compile
# without its search index, to show what the index adds to the ratio.
measure() {
  local name=$1 folder=$2 goal=$3 runs=${4:-1} apart=${5:-} zip_time compile_time rss plain_time book_mb
  : > "$work/runs"
  for ((run = 0; run < runs; ++run)); do
    rm -f "$work/out.zip" "$work/out.exe"
    # Each command starts with nothing that was written before it still on
    # its way to the disk, where writing it back would slow the command.
    sync
    zip_time=$(seconds zip -r -6 -q "$work/out.zip" "$folder" | cut -d' ' -f1)
    sync
    read -r compile_time rss < <(seconds "$compiler" build "$folder" --first-page index.html -q -o "$work/out.exe")
    plain_time=0
    if [ -n "$apart" ]; then
      rm -f "$work/plain.exe"
      sync
      plain_time=$(seconds "$compiler" build "$folder" --first-page index.html -q --no-search-index \
                     -o "$work/plain.exe" | cut -d' ' -f1)
    fi
    echo "$zip_time $compile_time $rss $plain_time" >> "$work/runs"
  done
  "$compiler" verify -q "$work/out.exe"
  book_mb=$(( $(stat -c %s "$work/out.exe") / 1048576 ))
  awk -v n="$name" -v b="$book_mb" -v g="$goal" -v runs="$runs" '
    function median(v, count,   i, j, t) {
      for (i = 2; i <= count; ++i) for (j = i; j > 1 && v[j - 1] > v[j]; --j) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
      return count % 2 ? v[(count + 1) / 2] : (v[count / 2] + v[count / 2 + 1]) / 2
    }
    { z[NR] = $1; c[NR] = $2; r[NR] = $2 / $1; if ($3 > rss) rss = $3; p[NR] = $4 / $1 }
    END {
      zip = median(z, NR); compile = median(c, NR); ratio = median(r, NR)
      printf "%-12s zip -r -6 %6.2f s   compile %6.2f s   ratio %.2f (goal <= %.2f: %s)%s\n", n, zip, compile, ratio, g,
             (ratio <= g ? "met" : "NOT met"), (runs > 1 ? sprintf("   medians of %d alternated runs", runs) : "")
      printf "%-12s peak RSS %6.0f MB   eBook %5d MB\n", n, rss / 1024, b
      if (p[1] > 0) {
        plain = median(p, NR)
        printf "%-12s without the search index: ratio %.2f; the index adds %.2f\n", n, plain, ratio - plain
      }
    }' "$work/runs"
}

# The compile's peak memory for a folder, against the 300 MB goal.
peak_memory() {
  local name=$1 folder=$2 rss
  rm -f "$work/out.exe"
  read -r _ rss < <(seconds "$compiler" build "$folder" --first-page index.html -q -o "$work/out.exe")
  awk -v n="$name" -v r="$rss" 'BEGIN {
    printf "%-12s compile peak RSS %6.0f MB (goal <= 300 MB: %s)\n", n, r / 1024, r / 1024 <= 300 ? "met" : "NOT met"
  }'
}

# The real trees first, on a machine that has not yet written and deleted
# the generated folders' gigabytes, which slow whatever runs next.
real_tree() {
  local name=$1 folder=$2 packages=$3
  if [ -d "$folder" ]; then
    measure "$name" "$folder" 0.55 7 apart
  else
    echo "$name skipped: apt-get install $packages for a real documentation tree"
  fi
}
real_tree python-doc /usr/share/doc/python3.11/html python3.11-doc
real_tree gtk-doc /usr/share/gtk-doc/html "libgtk-3-doc libglib2.0-doc"

build/bench/make_corpus video "$work/video" 600 >/dev/null
measure video-600MB "$work/video" 0.25
rm -rf "$work/video"
build/bench/make_corpus text "$work/text" 300 >/dev/null
measure text-300MB "$work/text" 0.55
rm -rf "$work/text"

build/bench/make_corpus tree "$work/generated" "$size" >/dev/null
measure generated "$work/generated" 0.55
rm -rf "$work/generated"

build/bench/make_corpus tree "$work/tree-1GB" 1024 >/dev/null
peak_memory tree-1GB "$work/tree-1GB"
rm -rf "$work/tree-1GB"
build/bench/make_corpus video "$work/video-1GB" 1024 >/dev/null
peak_memory video-1GB "$work/video-1GB"
