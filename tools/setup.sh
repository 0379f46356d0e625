#!/usr/bin/env bash
# Installs what the build needs (Debian 12, as root) and builds the game, its
# default assets and its tests into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake pkg-config git
          libsdl2-dev libsdl2-mixer-dev libfluidsynth-dev fluid-soundfont-gm libvorbis-dev libsamplerate0-dev
          libopusfile-dev libopus-dev
          libpng-dev libjpeg-dev zlib1g-dev
          libcairo2-dev libpango1.0-dev fonts-noto-cjk fonts-dejavu-core
          libgtest-dev clang libclang-rt-dev
          xvfb openbox xdotool x11-apps x11-utils xfonts-base)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
