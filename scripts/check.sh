#!/usr/bin/env bash
# Installs what is missing, builds the project and runs every test: once in a
# normal build, once with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer so that leaks and undefined behaviour fail too.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
status=0

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== tests in $dir"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" || status=1
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DZORBIN_SANITIZE=ON -DZORBIN_BENCHMARKS=OFF

exit $status
