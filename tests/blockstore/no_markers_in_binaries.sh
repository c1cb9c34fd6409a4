#!/usr/bin/env bash
# Fails when any of the given files holds a complete start or end marker of a
# block name the programs look up. Markers are built at run time; a marker
# found as a literal in a binary would make lookups in it stop at the code.
set -u
names="MAIN_PROG_FILE CTOOLBAR CPASS CONSTART CONCLOSE CHOME CPROJECT CENUMBER CAUTHOR CEMAIL CWEB CABOUT CPROJECT_DIR CSAVE_DIR CCOMPILE_FILE
       CREOPEN CIDENTITY /ZORBIN/IDENTITY /ZORBIN/REOPEN /ZORBIN/COMPILER-WINDOW"
status=0
for file in "$@"; do
  for name in $names; do
    start=$(printf '#1!#%s\266' "$name")
    end="!2!#$name"
    if LC_ALL=C grep -a -F -q -e "$start" -e "$end" "$file"; then
      echo "marker of $name found in $file"
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "no markers in $# files"
exit $status
