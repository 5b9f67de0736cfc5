#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12.
# Does nothing when everything is there already.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev libx11-dev libqt6svg6
  libqscintilla2-qt6-dev libxxhash-dev
  libgtest-dev libgmock-dev
  fonts-liberation2 fonts-dejavu-core
  xvfb xauth xdotool x11-xkb-utils x11-utils imagemagick poppler-utils
  cups printer-driver-cups-pdf
  dpkg-dev lintian man-db python3
  at-spi2-core python3-pyatspi dbus-daemon dbus-bin
  qt6-wayland weston
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installiere: ${missing[*]}" >&2
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
