#!/usr/bin/env bash
# The bash completion of zorbin-compiler, run as bash-completion runs it:
# commands, each command's options, the toolbar's button names after a
# comma, and files.
set -euo pipefail
completion=$1
source /usr/share/bash-completion/bash_completion
source "$completion"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir site && touch book.zbp book.exe notes.txt

# What completing the last of these words offers, sorted, on one line.
offered() {
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _zorbin_compiler zorbin-compiler "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}
status=0
expect() {
    local want=$1; shift
    local got; got=$(offered "$@")
    if [ "$got" != "$want" ]; then echo "FAIL: $*: offered '$got', expected '$want'"; status=1; fi
}
expect "build" zorbin-compiler bu
expect "--no-contents --no-context-menu --no-print --no-reopen --no-search-index" zorbin-compiler build --no-
expect "--close-message --close-message-file --context-menu" zorbin-compiler build --c
expect "back,home" zorbin-compiler build --toolbar back,ho
expect "search,stop" zorbin-compiler build --toolbar search,st
expect "--limit" zorbin-compiler search book.exe "quoted words" --l
expect "--password-file" zorbin-compiler verify --pa
expect "book.zbp site" zorbin-compiler build ""
expect "book.exe book.zbp notes.txt site" zorbin-compiler info ""
exit $status
