#!/usr/bin/env bash
# Installs what is missing, builds the compiler, compiles the example book
# that ships with the project into an eBook and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target zorbin-compiler

mkdir -p build/example
build/bin/zorbin-compiler build examples/book --title "A Small Guide to Tea" --author "The Zorbin team" \
  -o build/example/tea-guide.exe
echo "eBook written: build/example/tea-guide.exe"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display here: start build/example/tea-guide.exe from a desktop session to read it." >&2
  exit 0
fi
exec build/example/tea-guide.exe
