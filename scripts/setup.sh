#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Idempotent: when everything is present it returns at once.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build ccache lld g++ pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libssl-dev libcurl4-openssl-dev
  qt6-base-dev qt6-serialport-dev qt6-multimedia-dev
  libreoffice-dev
  libopenjp2-7-dev libjpeg-dev libjpeg62-turbo-dev libpng-dev
  libsqlite3-dev libcpp-httplib-dev nlohmann-json3-dev
  libzxing-dev
  # run
  libreoffice-calc libreoffice-core
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  fonts-wqy-microhei
  # making the spoken digits again (devices/sounds/make_sounds.py)
  espeak-ng
  # tests
  python3 openssl cups printer-driver-cups-pdf poppler-utils socat
  # an independent EXIF writer and reader for the image library's tests
  libexif-dev
  # the installed printers (print/, through libcups)
  libcups2-dev
  # an independent GIF reader and writer for the image library's tests and benchmark
  libgif-dev
  # Qt's TGA reader and ImageMagick check the TGA codec's files
  qt6-image-formats-plugins imagemagick
  # LibreOffice's own rendering of metafiles checks the metafile player
  libreoffice-draw
  # the road of parcels under a real (virtual) X server: scripts/road.sh
  xvfb qt6-qpa-plugins
)

# One look into the package database for all of them (a package it does not
# know is simply not listed as installed).
installed=" $(dpkg-query -W -f='${Package}:${db:Status-Status} ' "${PACKAGES[@]}" 2>/dev/null || true) "
missing=()
for p in "${PACKAGES[@]}"; do
  case "$installed" in
    *" $p:installed "*) ;;
    *) missing+=("$p") ;;
  esac
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
