#!/bin/bash
# The whole keyvale-cli process for a 10,000-row Chrome CSV imported into an
# existing database of 500 records: key derivation, load, backup, reading,
# planning (every existing record decoded for the duplicate check), adding
# what fits under the 10,000-node limit, and the atomic save. Target: 2 s.
#   bash bench/import_10000.sh [path/to/keyvale-cli] [runs]
set -euo pipefail
cli=${1:-build/cli/keyvale-cli}
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

{
    printf '{"format": "keyvale", "version": 1, "nodes": [{"name": "Existing", "children": ['
    for i in $(seq 0 499); do
        [ "$i" -gt 0 ] && printf ','
        printf '{"name": "Record %d", "record": {"login": "user", "password": "pw%d", "url": "https://x"}}' "$i" "$i"
    done
    printf ']}]}\n'
} >"$work/existing.json"
{
    printf 'name,url,username,password,note\r\n'
    for i in $(seq 0 9999); do
        printf 'site%d.example,https://site%d.example/login,user%d@example.org,"pass,word %d",\r\n' "$i" "$i" "$i" "$i"
    done
} >"$work/chrome.csv"

for run in $(seq 1 "$runs"); do
    rm -f "$work/db.kvdb"
    printf 'benchmark1\nbenchmark1\n' | "$cli" import "$work/existing.json" "$work/db.kvdb" >/dev/null
    start=$(date +%s.%N)
    # Exit status 1: the rows past the node limit are refused and listed.
    printf 'benchmark1\n' | "$cli" import "$work/chrome.csv" "$work/db.kvdb" >"$work/out" 2>&1 || true
    end=$(date +%s.%N)
    echo "run $run: $(echo "$end - $start" | bc) s; $(head -1 "$work/out")"
done
