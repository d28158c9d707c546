#!/usr/bin/env bash
# The bash completion offers commands, options, fields and database files,
# asked as bash asks it when the user presses TAB.
# Usage: check_completion.sh COMPLETION_FILE FOLDER_OF_KEYVALE_CLI
set -uo pipefail
source /usr/share/bash-completion/bash_completion
source "$1"
PATH="$2:$PATH"
cd "$(mktemp -d)" || exit 1
touch a.kvdb b.kvdb notes.txt export.json
mkdir folder

complete_line() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _keyvale_cli keyvale-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}

failures=0
expect() {
    local wanted=$1
    shift
    local got
    got=$(complete_line "$@")
    if [ "$got" != "$wanted" ]; then
        echo "keyvale-cli ${*:2}<TAB>: wanted \"$wanted\", got \"$got\""
        failures=$((failures + 1))
    fi
}

expect "search show " keyvale-cli s
expect "--help --json --recursive " keyvale-cli ls --
expect "--attribute --help --json --show-password " keyvale-cli show --
expect "a.kvdb b.kvdb folder " keyvale-cli ls ''
expect "" keyvale-cli ls a.kvdb ''
expect "password " keyvale-cli show -a p
expect "email login note password url " keyvale-cli clip a.kvdb Bank ''
expect "export.json folder " keyvale-cli import ''
expect "a.kvdb b.kvdb folder " keyvale-cli import export.json ''
expect "check clip conflicts create " keyvale-cli help c
expect "a.kvdb b.kvdb folder " keyvale-cli merge a.kvdb ''
expect "a.kvdb b.kvdb folder " keyvale-cli merge --base ''
expect "a.kvdb b.kvdb folder " keyvale-cli merge --base a.kvdb b.kvdb ''

echo "$((failures == 0 ? 1 : 0)) passed, $failures failed"
[ "$failures" -eq 0 ]
