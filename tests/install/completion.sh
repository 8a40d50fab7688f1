#!/usr/bin/env bash
# Fails when the bash completion of ardenox-cli offers the wrong words after a given command line.
# usage: completion.sh COMPLETION_SCRIPT
set -euo pipefail
# shellcheck source=/dev/null
source "$1"
failed=0
expect() {  # the words typed so far (the last one being completed), then the offer expected
    local -a COMP_WORDS
    read -ra COMP_WORDS <<<"$1"
    [[ $1 == *' ' ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _ardenox_cli
    if [ "${COMPREPLY[*]}" != "$2" ]; then
        echo "'$1': offered '${COMPREPLY[*]}', expected '$2'"
        failed=1
    fi
}
expect "ardenox-cli wr" "write"
expect "ardenox-cli --port x write --new-" "--new-address --new-baud --new-mode"
expect "ardenox-cli --mode " "even1 odd1 none2 none1"
expect "ardenox-cli read --new-baud " "9600 19200 38400 57600"
expect "ardenox-cli --ver" "--verbose --version"
expect "ardenox-cli --r" "--reply-timeout --rs485"
# A port path that is no adapter's falls back to the files that start so.
devices=$(mktemp -d)
trap 'rm -rf "$devices"' EXIT
touch "$devices/ttyS0" "$devices/ttyS1" "$devices/null"
expect "ardenox-cli --port $devices/tty" "$devices/ttyS0 $devices/ttyS1"
exit $failed
