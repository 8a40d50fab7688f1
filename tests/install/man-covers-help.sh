#!/usr/bin/env bash
# Fails when an option that `PROGRAM [COMMAND] --help` prints is missing from the man page.
# usage: man-covers-help.sh MAN_PAGE PROGRAM [COMMAND...]
set -euo pipefail
page=$1
program=$2
shift 2

# The roff source with its escaped hyphens as they read.
text=$(sed 's/\\-/-/g' "$page")
missing=0
for command in "" "$@"; do
    # shellcheck disable=SC2086  # an empty command is no argument
    help=$("$program" $command --help)
    for option in $(grep -oE '(^|[ ,])--?[a-z][a-z0-9-]*' <<<"$help" | tr -d ' ,' | sort -u); do
        if ! grep -qE -- "(^|[^a-z-])${option}([^a-z-]|$)" <<<"$text"; then
            echo "$page lacks ${command:+$command }$option"
            missing=1
        fi
    done
done
exit $missing
