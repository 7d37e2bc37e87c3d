#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when one is missing,
# so that a second run costs nothing. Sourced by run.sh and test.sh.
set -euo pipefail

ZAV_PACKAGES=(
  cmake g++ make pkg-config
  zlib1g-dev
  libgtest-dev libgmock-dev
  qt6-base-dev libgl-dev
  mdbtools mdbtools-dev
  nlohmann-json3-dev
  fonts-noto-cjk
)

zav_install_packages() {
  local missing=()
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

zav_install_packages "${ZAV_PACKAGES[@]}"
