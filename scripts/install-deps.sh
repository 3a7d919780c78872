#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and nothing when all
# are present. Works as root or through sudo; safe to run any number of times.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  openmpi-bin libopenmpi-dev
  mpich libmpich-dev
  freeglut3-dev libx11-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri mesa-utils
  libsleef-dev libssl-dev
  libgtest-dev libbenchmark-dev
  xvfb x11-utils xdotool apitrace
  python3
  clang libclang-rt-14-dev nlohmann-json3-dev gnuplot-nox imagemagick
  libboost-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "error: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
