#!/bin/bash
# The whole keyvale-cli merge process against keyvale-cli check on the same
# file: a 4,900-record database whose copy and itself each changed 500
# records since the version both came from, merged three-way. Check pays the
# key derivation and one load; merge pays them too, and the loads of OTHER
# and BASE, the merge, the backup and the atomic save. Target: merge within
# 0.2 s of check.
#   bash bench/merge_cli.sh [path/to/keyvale-cli] [runs]
set -euo pipefail
cli=${1:-build/cli/keyvale-cli}
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 49 folders of 100 records; records 0-499 get a new login in FILE, records
# 1000-1499 a new password in OTHER.
tree() {
    local side=$1
    printf '{"format": "keyvale", "version": 1, "nodes": ['
    for folder in $(seq 0 48); do
        [ "$folder" -gt 0 ] && printf ','
        printf '{"name": "Folder %d", "children": [' "$folder"
        for i in $(seq $((folder * 100)) $((folder * 100 + 99))); do
            [ "$i" -gt $((folder * 100)) ] && printf ','
            login="user$i"
            password="pw$i"
            if [ "$side" = file ] && [ "$i" -lt 500 ]; then login="new-user$i"; fi
            if [ "$side" = other ] && [ "$i" -ge 1000 ] && [ "$i" -lt 1500 ]; then password="new-pw$i"; fi
            printf '{"name": "Record %d", "record": {"login": "%s", "password": "%s", "url": "https://site%d.example"}}' \
                "$i" "$login" "$password" "$i"
        done
        printf ']}'
    done
    printf ']}\n'
}

for side in base file other; do
    tree "$side" >"$work/$side.json"
    printf 'benchmark1\nbenchmark1\n' | "$cli" import "$work/$side.json" "$work/$side.kvdb" >/dev/null
done
cp "$work/file.kvdb" "$work/file.original"

seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >"$work/out" 2>&1 || true
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

for run in $(seq 1 "$runs"); do
    cp "$work/file.original" "$work/file.kvdb"
    check=$(seconds sh -c "printf 'benchmark1\n' | '$cli' check '$work/file.kvdb'")
    merge=$(seconds sh -c "printf 'benchmark1\n' | '$cli' merge '$work/file.kvdb' '$work/other.kvdb' --base '$work/base.kvdb'")
    echo "run $run: check $check s, merge $merge s, difference $(echo "$merge - $check" | bc) s; $(head -1 "$work/out")"
done
