#!/usr/bin/env bash
# Every manual page renders without a single groff warning.
set -euo pipefail
status=0
for page in "$@"; do
    warnings=$(groff -ww -man -z "$page" 2>&1)
    if [ -n "$warnings" ]; then
        echo "$page:"; echo "$warnings"; status=1
    fi
done
exit $status
