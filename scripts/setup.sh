#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Idempotent: installs only what is missing, and refreshes the package lists only when it must install.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache clang
  libgtest-dev libgmock-dev libbenchmark-dev
  libegl-dev libegl-mesa0 libgl-dev libgl1 libopengl-dev libgl1-mesa-dri libglu1-mesa-dev
  libx11-dev libxrandr-dev qt6-base-dev
  libopenal-dev libopenal1 libmpg123-dev libmp3lame-dev
  libpng-dev libjpeg-dev zlib1g-dev libxlsxwriter-dev libminizip-dev
  fonts-dejavu-core fonts-urw-base35 fonts-liberation2
  xvfb xauth xdg-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
