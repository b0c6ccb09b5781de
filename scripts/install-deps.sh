#!/usr/bin/env bash
# Installs the Debian 12 packages Corvane needs to build, test and run, when they are missing.
# Safe to re-run: with everything present it changes nothing and does not touch the network.
# Further package names given as arguments are installed the same way (CI's own tools).
set -euo pipefail

packages=(
  cmake ninja-build pkg-config g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libqt6svg6 libgl-dev libhidapi-dev libudev-dev libpcap-dev tshark
  xvfb xauth fonts-junicode
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
$sudo apt-get update -qq
# Through env, not as a prefix of sudo: sudo resets the environment and would drop it, and then
# tshark's debconf question (may non-root users capture?) waits for an answer nobody gives.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
