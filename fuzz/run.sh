#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan),
# makes the seed corpora and runs each target for a bounded time.
#   bash fuzz/run.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
if ! command -v clang++ >/dev/null; then
  apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev >/dev/null
fi
CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz >/dev/null
cmake --build build-fuzz -j"$(nproc)"
corpus=build-fuzz/corpus
build-fuzz/make_seeds "$corpus"
status=0
for target in build-fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  mkdir -p "$corpus/$name" "build-fuzz/artifacts/$name"
  echo "== $name: ${seconds}s"
  if ! "$target" "$corpus/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
       -artifact_prefix="build-fuzz/artifacts/$name/" -print_final_stats=1 2>&1 |
       grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ *DONE|==[0-9]+==ERROR|SUMMARY)"; then
    :
  fi
  if ls "build-fuzz/artifacts/$name"/* >/dev/null 2>&1; then
    echo "!! $name found a failing input: $(ls build-fuzz/artifacts/$name)"
    status=1
  fi
done
exit $status
