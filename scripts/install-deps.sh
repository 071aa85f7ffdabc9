#!/usr/bin/env bash
# Installs the Debian 12 packages the program and its tests need, only when missing.
set -euo pipefail

packages=(
  cmake g++ make ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libqt6opengl6-dev qt6-translations-l10n
  libjpeg62-turbo-dev libqpdf-dev libpq-dev libcups2-dev libxlsxwriter-dev libzip-dev libfreexl-dev mdbtools-dev
  xvfb xauth xdotool
  cups cups-client printer-driver-cups-pdf poppler-utils
  postgresql
  fonts-liberation2 fonts-dejavu-core
  dpkg-dev fakeroot lintian desktop-file-utils appstream man-db groff-base librsvg2-bin
  bash-completion
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
