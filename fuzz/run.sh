#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, runs each for a while on its checked-in corpus,
# and merges what it found new into that corpus. Crashers land in
# fuzz/crashers/TARGET/, where every build's replayer keeps them fixed.
#   fuzz/run.sh [SECONDS-PER-TARGET] [TARGET ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}; shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(block_lookup contents decompress page_protocol project_open page_range page_request search_index sealed_blocks reader_state)

command -v clang++ >/dev/null || { echo "fuzz/run.sh needs clang: apt-get install clang" >&2; exit 1; }
known=$(mktemp)
find fuzz/crashers -type f | sort >"$known"

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DZORBIN_FUZZ=ON \
  -DZORBIN_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null

for t in "${targets[@]}"; do
  # Absolute paths: a target may change the current directory, as the
  # programs' own file operations do.
  corpus=$PWD/fuzz/corpus/$t crashers=$PWD/fuzz/crashers/$t found=$(mktemp -d)
  mkdir -p "$corpus" "$crashers"
  echo "== $t: ${seconds}s"
  build-fuzz/fuzz/fuzz_$t "$found" "$corpus" -max_total_time="$seconds" -max_len=8192 -rss_limit_mb=4096 -timeout=10 \
    -artifact_prefix="$crashers/" -print_final_stats=1 2>&1 | grep -E "^(stat::number_of_executed_units|stat::peak_rss|==[0-9]+==ERROR|SUMMARY|Done)" || true
  build-fuzz/fuzz/fuzz_$t -merge=1 "$corpus" "$found" >/dev/null 2>&1 || true
  rm -rf "$found"
done
# Crashers from earlier runs are kept (and replayed); only new ones count here.
new=$(find fuzz/crashers -type f | sort | comm -13 "$known" -)
rm -f "$known"
if [ -n "$new" ]; then printf 'new crashers:\n%s\n' "$new"; else echo "no new crashers"; fi
