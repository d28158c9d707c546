#!/usr/bin/env bash
# Every manual page renders without a single groff warning, and no macro line
# leaves a quoted argument open: groff takes an unclosed quote to the end of
# the line without a word, which runs a synopsis's last arguments together
# ("[--generate[=LEN]]FILEPATH"").
set -euo pipefail
status=0
for page in "$@"; do
    warnings=$(groff -ww -man -z "$page" 2>&1)
    if [ -n "$warnings" ]; then
        echo "$page:"; echo "$warnings"; status=1
    fi
    # A comment (\") ends the line's text; what is left must pair its quotes.
    unclosed=$(awk '/^\./ { line = $0; sub(/\\".*/, "", line)
                            if (gsub(/"/, "", line) % 2) print FILENAME ":" FNR ": " $0 }' "$page")
    if [ -n "$unclosed" ]; then
        echo "$page: a quoted argument is left open:"; echo "$unclosed"; status=1
    fi
done
exit $status
