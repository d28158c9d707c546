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

# 49 folders of 100 records. FILE gives records 0-499 a new login, OTHER
# records 1000-1499 a new password. Both are copies of BASE, as a sync
# tool's copy is, so their unchanged records are stored exactly as in BASE;
# the changes are brought in with keyvale-cli merge itself, from small
# databases of only the changed folders (before and after).
#   tree SIDE FIRST_FOLDER LAST_FOLDER
tree() {
    local side=$1 first=$2 last=$3
    printf '{"format": "keyvale", "version": 1, "nodes": ['
    for folder in $(seq "$first" "$last"); do
        [ "$folder" -gt "$first" ] && printf ','
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

database() { # NAME SIDE FIRST_FOLDER LAST_FOLDER
    tree "$2" "$3" "$4" >"$work/$1.json"
    printf 'benchmark1\nbenchmark1\n' | "$cli" import "$work/$1.json" "$work/$1.kvdb" >/dev/null 2>&1
}

database base base 0 48
database file-before base 0 4
database file-after file 0 4
database other-before base 10 14
database other-after other 10 14
for side in file other; do
    cp "$work/base.kvdb" "$work/$side.kvdb"
    printf 'benchmark1\n' | "$cli" merge "$work/$side.kvdb" "$work/$side-after.kvdb" \
        --base "$work/$side-before.kvdb" >/dev/null
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
    echo "run $run: check $check s, merge $merge s, difference $(echo "$merge - $check" | bc) s; $(grep -o "has been merged.*" "$work/out")"
done
