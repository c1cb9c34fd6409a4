#!/usr/bin/env bash
# The Debian package end to end: cpack makes it from the build, it is unpacked
# into a clean root of its own, and the installed files are checked there: the
# compiler is the built one byte for byte (so its viewer block survived), it
# runs and builds an eBook, its Depends name every library it and the viewer
# link, and the desktop entry, AppStream data, icons and manual pages pass
# their validators. `cmake --install --strip` must leave the compiler whole too.
# The copyright file carries LICENSE in full, the changelog names this
# version, and lintian finds no error and no warning in the package.
# Nothing outside a temporary folder is touched; the folder goes at the end.
# Usage: debian_package.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3
app=org.zorbin.Compiler
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
command -v lintian >/dev/null ||
  { echo "FAIL: lintian is not installed (apt-get install lintian; scripts/install-deps.sh does)" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/cpack/*.deb)
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
root=$work/root
dpkg-deb -x "$deb" "$root"
compiler=$root/usr/bin/zorbin-compiler

# The files and their places.
for file in usr/bin/zorbin-compiler usr/share/applications/$app.desktop usr/share/metainfo/$app.metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/$app.svg \
            usr/share/man/man1/zorbin-compiler.1.gz usr/share/man/man1/zorbin-compiler-build.1.gz \
            usr/share/bash-completion/completions/zorbin-compiler; do
  [ -f "$root/$file" ] || fail "the package has no $file"
done
for size in 16 24 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$app.png
  # The width and height of a PNG are the big-endian words at bytes 16 and 20.
  [ "$(od -An -tx1 -j16 -N8 "$png" 2>/dev/null | tr -d ' \n')" = "$(printf '%08x%08x' "$size" "$size")" ] ||
    fail "no ${size}x${size} PNG icon"
done
[ -x "$compiler" ] || fail "the installed compiler is not executable"

# The compiler as installed is the one built: not stripped, viewer block and all.
cmp -s "$compiler" "$build/bin/zorbin-compiler" || fail "the packaged compiler differs from build/bin/zorbin-compiler"
"$compiler" info "$compiler" | grep -q 'MAIN_PROG_FILE (a program' || fail "the installed compiler lost main_prog_file"
cmake --install "$build" --prefix "$work/prefix" --strip >/dev/null
cmp -s "$work/prefix/bin/zorbin-compiler" "$build/bin/zorbin-compiler" || fail "cmake --install --strip changed the compiler"

# It runs from its installed place and builds an eBook there.
[ "$("$compiler" --version)" = "zorbin-compiler (Zorbin eBook Compiler) $version" ] || fail "--version: $("$compiler" --version)"
(cd "$work" && "$compiler" build "$source/examples/book" --title "Packaged" -q -o book.exe) || fail "the build failed"
"$compiler" verify -q "$work/book.exe" || fail "the eBook does not verify"
"$compiler" info "$work/book.exe" | grep -q '(the viewer of this compiler)' || fail "the eBook's viewer is not the compiler's"
env -u DISPLAY -u WAYLAND_DISPLAY "$work/book.exe" 2>"$work/nodisplay" && fail "the eBook ran without a display"
grep -q 'cannot open a display' "$work/nodisplay" || fail "the eBook without a display said: $(cat "$work/nodisplay")"

# Every library the compiler or the viewer links comes from a package it depends on.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libgtk-3-0 libwebkit2gtk-4.1-0 zlib1g libdeflate0; do
  [[ ", $depends" == *", $needed"* ]] || fail "Depends does not name $needed"
done
# libdeflate is the compiler's alone: the viewer in every eBook inflates with zlib.
# (grep reads all of objdump's output: with -q it could stop early and fail the pipe.)
objdump -p "$compiler" | grep 'NEEDED *libdeflate\.so\.0' >/dev/null || fail "the compiler does not link libdeflate"
objdump -p "$work/book.exe" | grep 'NEEDED *libdeflate' >/dev/null && fail "the eBook's viewer links libdeflate"
for library in $(objdump -p "$compiler" "$work/book.exe" | awk '$1 == "NEEDED" { print $2 }' | sort -u); do
  path=$(ldconfig -p | awk -v lib="$library" '$1 == lib && /x86-64/ && !found { print $NF; found = 1 }')
  owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null || dpkg -S "${path#/usr}" 2>/dev/null || true)
  package=${owner%%:*}
  [ -n "$package" ] || { fail "no package holds $library ($path)"; continue; }
  [[ ", $depends" == *", $package "* || ", $depends" == *", $package,"* || ", $depends" == *", $package" ]] ||
    fail "$library comes from $package, which Depends does not name"
done
for package in $(echo "$depends" | tr ',' '\n' | awk '{ print $1 }'); do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    fail "Depends names $package, which is not a package installed here"
done

# Debian's copyright file: machine-readable, the copyright line of LICENSE and
# its whole text; the changelog: compressed, and its entry for this version.
doc=$root/usr/share/doc/zorbin-compiler
if [ -f "$doc/copyright" ]; then
  [ "$(head -n1 "$doc/copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
    fail "the copyright file is not in the machine-readable format"
  grep -qxF "Copyright: $(sed -n 's/^Copyright (c) //p' "$source/LICENSE")" "$doc/copyright" ||
    fail "the copyright file does not hold LICENSE's copyright line"
  # The text of the stand-alone License paragraph, its " ." lines blank again.
  awk '/^License: MIT$/ { text = 1; next } text && /^ / { sub(/^ /, ""); print ($0 == "." ? "" : $0); next }
       { text = 0 }' "$doc/copyright" >"$work/license"
  sed -n '/^Permission/,$p' "$source/LICENSE" | cmp -s - "$work/license" ||
    fail "the copyright file does not hold the whole text of LICENSE"
else
  fail "the package has no usr/share/doc/zorbin-compiler/copyright"
fi
if zcat "$doc/changelog.gz" >"$work/changelog" 2>/dev/null; then
  entry=$(dpkg-parsechangelog -l "$work/changelog" -S Version 2>&1) || entry="unreadable: $entry"
  [ "$entry" = "$version" ] || fail "the changelog's entry is for $entry, not $version"
else
  fail "the package has no readable usr/share/doc/zorbin-compiler/changelog.gz"
fi
# Compressed files of a reproducible package keep no name and no time: their
# gzip header's flags byte and time word are zero (gzip -n).
for packed in $(find "$root" -name '*.gz'); do
  [ "$(od -An -tx1 -j3 -N5 "$packed" | tr -d ' \n')" = 0000000000 ] || fail "${packed#"$root"} keeps a name or a time"
done

# Debian's own checker. Its info tags are shown, not failed on.
lintian_status=0
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$work/lintian" | sed 's/^/lintian: /' >&2 || true
[ $lintian_status -eq 0 ] || fail "lintian found errors or warnings (exit status $lintian_status)"

# The desktop's validators and the manual pages' formatter.
desktop-file-validate "$root/usr/share/applications/$app.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app.metainfo.xml" >"$work/appstream" 2>&1 ||
  { cat "$work/appstream" >&2; fail "appstreamcli validate"; }
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

[ $failures -eq 0 ] && echo "the package installs and works"
exit $((failures > 0))
