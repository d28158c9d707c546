#!/usr/bin/env bash
# Installs the Debian 12 packages Keyvale needs to build and test (with
# --cross also the ARM64 cross compiler and qemu); does nothing
# for packages that are already there. Run as root (or with sudo available).
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  libzxcvbn-dev
  qt6-base-dev qt6-base-private-dev qt6-multimedia-dev qt6-svg-dev libxss-dev libx11-dev
  fonts-dejavu-core
  groff-base man-db bash-completion
  dpkg-dev lintian desktop-file-utils appstream shared-mime-info
  xvfb xdotool
)
# The ARM64 cross build of the test command (x86-64 hosts only), asked for
# with --cross so that starting the window never pulls in a cross compiler.
# The ARM build's password health report links Debian's arm64 zxcvbn, which
# needs the arm64 architecture in dpkg (multiarch).
cross=false
if [ "${1:-}" = --cross ] && [ "$(uname -m)" = x86_64 ]; then
  cross=true
  packages+=(g++-aarch64-linux-gnu qemu-user libzxcvbn-dev:arm64)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  if $cross && ! dpkg --print-foreign-architectures | grep -qx arm64; then
    "${sudo_cmd[@]}" dpkg --add-architecture arm64
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
