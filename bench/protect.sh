#!/usr/bin/env bash
# A password-protected eBook against the same eBook without a password,
# side by side in one run:
#   - opening: from the password typed to the first page shown, and the
#     same book without a password from start to first page;
#   - serving: the page of 100 pictures (from each book in turn in one web
#     view), and 1 MB ranges at random
#     offsets of a 200 MB video (stored, so decryption is not hidden behind
#     inflating);
#   - compiling the Python manual (python3.11-doc; skipped when not
#     installed) with a password against without, less one Argon2id run.
#   bench/protect.sh [RUNS]      (default 5)
# BENCH_COMPILER, BENCH_VIEWER and BENCH_PROTECT name another build's
# zorbin-compiler, bench_viewer and bench_protect (figures before a change).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
cmake --build build -j "$(nproc)" --target zorbin-compiler make_corpus bench_viewer bench_protect >/dev/null
compiler=${BENCH_COMPILER:-build/bin/zorbin-compiler}
viewer_bench=${BENCH_VIEWER:-build/bench/bench_viewer}
protect_bench=${BENCH_PROTECT:-build/bench/bench_protect}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
password="correct horse battery staple"
printf '%s\n' "$password" >"$work/password"
compile() { "$compiler" build "$1" --first-page index.html -q -o "$2" "${@:3}"; }
both() { compile "$1" "$work/$2-plain.exe"; compile "$1" "$work/$2-protected.exe" --password-file "$work/password"; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
field() { awk -v f="$2" '{ for (i = 1; i < NF; i++) if ($i == f) print $(i + 1) }' "$1" | median; }
on_display() { xvfb-run -a -s "-screen 0 1280x800x24" "$@" 2>/dev/null; }

kdf=$("$protect_bench" kdf | awk '{ print $2 }')
echo "one Argon2id run (the password's test): $kdf ms"

build/bench/make_corpus images "$work/pictures" 100 >/dev/null
both "$work/pictures" pictures
: >"$work/open-plain"; : >"$work/open-protected"; : >"$work/pictures.runs"
for ((i = 0; i < runs; i++)); do
  on_display "$viewer_bench" open "$work/pictures-plain.exe" >>"$work/open-plain"
  on_display "$viewer_bench" open "$work/pictures-protected.exe" "$password" >>"$work/open-protected"
  on_display "$viewer_bench" protected "$work/pictures-plain.exe" "$work/pictures-protected.exe" \
    "$password" 5 >>"$work/pictures.runs"
done
awk -v p="$(field "$work/open-plain" first_page_ms)" -v s="$(field "$work/open-protected" first_page_ms)" 'BEGIN {
  printf "open: first page %.1f ms with the password typed, %.1f ms without a password (goal <= 1000 ms: %s)\n",
         s, p, s <= 1000 ? "met" : "NOT met" }'
awk -v p="$(field "$work/pictures.runs" plain_ms)" -v s="$(field "$work/pictures.runs" protected_ms)" \
    -v r="$(field "$work/pictures.runs" ratio)" 'BEGIN {
  printf "100 pictures, in turn in one view: %.1f ms protected, %.1f ms without a password: ratio %.3f (goal <= 1.05: %s)\n",
         s, p, r, r <= 1.05 ? "met" : "NOT met" }'

build/bench/make_corpus video "$work/film" 200 >/dev/null
both "$work/film" film
rm -rf "$work/film"
"$protect_bench" ranges "$work/film-plain.exe" "$work/film-protected.exe" media/film.webm "$password" "$runs" |
  awk '{ printf "1 MB ranges of a 200 MB video: %.2f ms protected, %.2f ms without a password: ratio %.3f (goal <= 1.05: %s)\n",
         $4, $2, $6, $6 <= 1.05 ? "met" : "NOT met" }'

folder=/usr/share/doc/python3.11/html
if [ -d "$folder" ]; then
  seconds() { /usr/bin/time -f "%e" -o "$work/time" "$@" >/dev/null 2>&1; cat "$work/time"; }
  plain=() protected=()
  for _ in 1 2 3; do
    plain+=("$(seconds "$compiler" build "$folder" --first-page index.html -q -o "$work/py.exe")")
    protected+=("$(seconds "$compiler" build "$folder" --first-page index.html -q -o "$work/py.exe" \
                  --password-file "$work/password")")
  done
  awk -v p="$(printf '%s\n' "${plain[@]}" | median)" -v s="$(printf '%s\n' "${protected[@]}" | median)" -v k="$kdf" 'BEGIN {
    r = (s - k / 1000) / p
    printf "python manual: compile %.2f s with a password, %.2f s without: ratio %.3f less the Argon2id run (goal <= 1.10: %s)\n",
           s, p, r, r <= 1.10 ? "met" : "NOT met" }'
else
  echo "python manual: not installed (apt-get install python3.11-doc), skipped"
fi
