#!/usr/bin/env bash
# What an eBook needs of its reader's system: the eBook's program (compiled
# here from the example book) and the web-process extension it carries may
# name only libraries whose file names stay the same from release to release,
# and only symbol versions that Ubuntu 22.04 and Debian 12 already have.
# A library named by its release (ICU) would keep the eBook from
# starting anywhere else. In a sanitizer build, the sanitizers' runtimes are
# allowed too.
# Usage: reader_libraries.sh COMPILER EXAMPLE_BOOK EXTENSION [--sanitized]
set -euo pipefail
compiler=$1 book=$2 extension=$3 sanitized=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

allowed='^(libc\.so\.6|libm\.so\.6|libgcc_s\.so\.1|ld-linux-x86-64\.so\.2|libstdc\+\+\.so\.6'
allowed+='|lib(glib|gobject|gio|gmodule)-2\.0\.so\.0|libgtk-3\.so\.0|libgdk-3\.so\.0|libgdk_pixbuf-2\.0\.so\.0'
allowed+='|libwebkit2gtk-4\.1\.so\.0|libjavascriptcoregtk-4\.1\.so\.0|libsoup-3\.0\.so\.0'
allowed+='|libcairo\.so\.2|libpango-1\.0\.so\.0|libz\.so\.1|libsqlite3\.so\.0|libgcrypt\.so\.20'
allowed+='|libgst(reamer|base)-1\.0\.so\.0'
[ "$sanitized" = --sanitized ] && allowed+='|lib(a|ub)san\.so\.[0-9]+'
allowed+=')$'

# The newest symbol version a reader's system must have, per prefix.
newest_allowed() {
  case $1 in
    GLIBC) echo 2.34 ;;
    GLIBCXX) echo 3.4.29 ;;
    CXXABI) echo 1.3.13 ;;
    *) echo "" ;;
  esac
}

"$compiler" build "$book" --title "Reader's libraries" -q -o "$work/book.exe"
for program in "$work/book.exe" "$extension"; do
  name=$(basename "$program")
  needed=$(objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }')
  [ -n "$needed" ] || fail "$name names no libraries at all"
  for library in $needed; do
    [[ $library =~ $allowed ]] || fail "$name needs $library, which is not on every reader's system under that name"
  done
  # The versions the program requires, from its version-needs section.
  for version in $(readelf -V --wide "$program" | awk '$2 == "Name:" { print $3 }' | sort -u); do
    prefix=${version%%_*} number=${version#*_}
    newest=$(newest_allowed "$prefix")
    [ -n "$newest" ] || continue
    [ "$(printf '%s\n%s\n' "$number" "$newest" | sort -V | tail -1)" = "$newest" ] ||
      fail "$name requires $version, newer than ${prefix}_$newest"
  done
  echo "$name: $(echo $needed | wc -w) libraries, newest versions" \
    "$(readelf -V --wide "$program" | awk '$2 == "Name:" { print $3 }' | grep -E '^(GLIBC|GLIBCXX)_' | sort -V |
       awk -F_ '{ newest[$1] = $0 } END { for (p in newest) printf "%s ", newest[p] }')"
done

[ $failures -eq 0 ] && echo "an eBook needs only what every reader's system has"
exit $((failures > 0))
