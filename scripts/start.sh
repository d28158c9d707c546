#!/usr/bin/env bash
# Builds Keyvale and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
if [ -x build/app/keyvale ]; then
  exec build/app/keyvale
else
  exec build/cli/keyvale-cli --help
fi
