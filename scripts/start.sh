#!/usr/bin/env bash
# Builds the Keyvale window and starts it. Run it as yourself: sudo is asked
# for only when Debian packages are missing, and only to install them.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Keyvale needs a desktop to open its window on, and none was found (DISPLAY and WAYLAND_DISPLAY are not set)." >&2
  exit 1
fi

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
# Only the window and what it links; the tests and benchmarks are built by
# scripts/test.sh.
cmake --build build -j"$(nproc)" --target keyvale
exec build/app/keyvale
