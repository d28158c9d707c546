#!/usr/bin/env bash
# Builds Keyvale's Debian package from the Release build in build/ (only the
# programs, icons and changelog it holds, not the tests) and prints the
# package's path on its last line:
#     bash scripts/package.sh
#     sudo apt install ./build-package/keyvale_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target keyvale keyvale-cli keyvale_icons keyvale_changelog keyvale_man_pages
bash scripts/make-deb.sh build build-package
