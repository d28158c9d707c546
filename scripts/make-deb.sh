#!/usr/bin/env bash
# Makes the .deb from an already built tree with CPack and prints its path.
# Usage: make-deb.sh BUILD_DIR OUTPUT_DIR
set -euo pipefail
build=$1
out=$2
mkdir -p "$out"
rm -f "$out"/keyvale_*.deb
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || {
    cat "$out/cpack.log" >&2
    exit 1
}
deb=$(ls "$out"/keyvale_*.deb)
echo "$deb"
