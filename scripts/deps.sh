#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when one is missing,
# so that a second run costs nothing. Sourced by run.sh and test.sh.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/packages.sh"

ZAV_PACKAGES=(
  cmake g++ make pkg-config
  zlib1g-dev
  libgtest-dev libgmock-dev
  qt6-base-dev libgl-dev
  mdbtools mdbtools-dev
  nlohmann-json3-dev
  fonts-noto-cjk
  # Qt's own texts in Japanese (qtbase_ja), as the window shows them
  qt6-translations-l10n
  # Checks of the installation and the .deb (tests/packaging, scripts/package_check.sh)
  dpkg-dev lintian groff-base mandoc desktop-file-utils appstream
  libexpat1-dev
  chromium
  clang libclang-rt-dev
)

zav_install_packages "${ZAV_PACKAGES[@]}"
