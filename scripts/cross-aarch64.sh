#!/usr/bin/env bash
# Proves the software digit path on 64-bit ARM: cross-builds the crypto and
# storage libraries, keyvale-cli and their tests with Debian's cross compiler,
# runs the tests under qemu-user, and moves databases both ways between the
# x86-64 keyvale-cli (build/, built here when missing) and the ARM one.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
out=$root/build-aarch64
prefix=$out/prefix
toolchain=$root/scripts/aarch64-linux-gnu.cmake
export QEMU_LD_PREFIX=/usr/aarch64-linux-gnu
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
start=$(date +%s)

# GoogleTest for ARM, from the sources Debian ships in libgtest-dev.
if [[ ! -f $prefix/lib/cmake/GTest/GTestConfig.cmake ]]; then
  echo "== GoogleTest for aarch64"
  cmake -S /usr/src/googletest -B "$out/googletest" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF \
    "${launcher[@]}" >/dev/null
  cmake --build "$out/googletest" -j"$jobs"
  cmake --install "$out/googletest" >/dev/null
fi
# nlohmann/json is header-only: the same headers serve the ARM build.
mkdir -p "$prefix/include" "$prefix/share/cmake"
cp -r /usr/include/nlohmann "$prefix/include/"
cp -r /usr/share/cmake/nlohmann_json "$prefix/share/cmake/"

# zxcvbn for ARM comes from Debian's arm64 package (multiarch, installed by
# scripts/install-deps.sh --cross), outside the cross compiler's root.
zxcvbn=()
if [[ -f /usr/lib/aarch64-linux-gnu/libzxcvbn.so && -f /usr/include/zxcvbn.h ]]; then
  zxcvbn=(-DKEYVALE_ZXCVBN_LIBRARY=/usr/lib/aarch64-linux-gnu/libzxcvbn.so
          -DKEYVALE_ZXCVBN_INCLUDE_DIR=/usr/include)
fi

echo "== Keyvale for aarch64 (digit steps: soft)"
cmake -S . -B "$out/keyvale" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DKEYVALE_BUILD_APP=OFF -DKEYVALE_BUILD_BENCH=OFF "${launcher[@]}" "${zxcvbn[@]}" \
  -DGTest_DIR="$prefix/lib/cmake/GTest" \
  -Dnlohmann_json_DIR="$prefix/share/cmake/nlohmann_json" >/dev/null
cmake --build "$out/keyvale" -j"$jobs"
readelf -h "$out/keyvale/cli/keyvale-cli" | grep -q "AArch64" ||
  { echo "keyvale-cli is not an ARM program" >&2; exit 1; }
(cd "$out/keyvale" && ctest --output-on-failure -j"$jobs")

echo "== Databases between x86-64 and aarch64"
if [[ ! -x build/cli/keyvale-cli ]]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j"$jobs" --target keyvale-cli
fi
x86=(build/cli/keyvale-cli)
arm=(qemu-aarch64 -E LD_LIBRARY_PATH=/usr/aarch64-linux-gnu/lib "$out/keyvale/cli/keyvale-cli")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/tree.json" <<'JSON'
{"format": "keyvale", "version": 1, "nodes": [
  {"name": "Mail", "children": [
    {"name": "example.org", "record": {"login": "ann", "password": "s3cret ÄÖ",
      "email": "ann@example.org", "url": "https://example.org", "note": "line 1\nline 2"}},
    {"name": "Old accounts"}]},
  {"name": "Bank", "record": {"login": "b", "password": "p", "email": "", "url": "",
    "note": ""}}]}
JSON
password="Grüße, Welt 42"
round_trip() { # maker reader name
  local -n maker=$1 reader=$2
  local db="$work/$3.kvdb"
  printf '%s\n%s\n' "$password" "$password" | "${maker[@]}" import "$work/tree.json" "$db"
  printf '%s\n' "$password" | "${maker[@]}" export "$db" >"$work/$3.made.json"
  printf '%s\n' "$password" | "${reader[@]}" check "$db"
  printf '%s\n' "$password" | "${reader[@]}" export "$db" >"$work/$3.read.json"
  cmp "$work/$3.made.json" "$work/$3.read.json"
  if printf 'wrong password\n' | "${reader[@]}" check "$db" 2>/dev/null; then
    echo "a wrong password opened $3" >&2
    exit 1
  fi
  echo "$3: opened with the same content, wrong password refused"
}
round_trip x86 arm "made-on-x86-64-read-on-aarch64"
round_trip arm x86 "made-on-aarch64-read-on-x86-64"
echo "== aarch64 build and tests passed in $(($(date +%s) - start)) s"
