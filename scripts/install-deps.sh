#!/usr/bin/env bash
# Installs what Zelmor needs to build, run and test on Debian 12, and nothing
# that is already there. Safe to run any number of times.
set -euo pipefail

packages=(
  g++ clang cmake ninja-build pkg-config
  qt6-base-dev qt6-image-formats-plugins qt6-translations-l10n qt6-svg-dev
  libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
  fonts-wqy-microhei
  xvfb xauth
  librsvg2-dev liblcms2-dev libheif-dev libavif-dev libjxl-dev libspng-dev
  libpng-dev libjpeg62-turbo-dev libtiff-dev libwebp-dev libgif-dev zlib1g-dev
  # second decoders and renderers the tests compare against
  python3-pil imagemagick icoutils librsvg2-bin libheif-examples libavif-bin libjxl-tools
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  sudo=(sudo)
fi

echo "Installing: ${missing[*]}" >&2
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
