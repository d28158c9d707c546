#!/usr/bin/env bash
# Builds everything and runs every test: first the normal Release build, then
# the libraries, the command-line tool and their tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and on x86-64 the digit
# steps once more from the x87 unit, compared with the software path every
# other build uses, and cross-built for ARM64 and run under qemu
# (scripts/cross-aarch64.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --cross
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j"$jobs")

echo "== Sanitizer build (AddressSanitizer, UBSan)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEYVALE_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j"$jobs")

if [[ $(uname -m) == x86_64 ]]; then
  # The default build takes its digits from the software model; this one takes
  # them from the x87 unit and compares the two (on a processor whose unit is
  # not the reference one, the comparison says so and is skipped).
  echo "== x87 digit path (KEYVALE_DIGITS=x87)"
  cmake -S . -B build-x87 -DCMAKE_BUILD_TYPE=Release -DKEYVALE_DIGITS=x87 \
    -DKEYVALE_BUILD_APP=OFF -DKEYVALE_BUILD_BENCH=OFF >/dev/null
  cmake --build build-x87 -j"$jobs" --target keyvale_crypto_tests
  (cd build-x87 && ctest --output-on-failure -j"$jobs" -R '^(KvX87Path|KvSoftPath|crypto_x87)')

  echo "== ARM64 cross build under qemu"
  bash scripts/cross-aarch64.sh
fi
