#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing), then
# configures and builds incrementally.
#   scripts/setup.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:?build folder}
shift

packages=(
  cmake g++ pkg-config make
  libsdl2-dev libfltk1.3-dev fluid libgl-dev libglu1-mesa-dev libfreetype-dev fonts-dejavu-core libpng-dev
  googletest libgtest-dev libbenchmark-dev
  xvfb xauth xdotool ffmpeg
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing Debian packages: ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

cmake -S "$root" -B "$build_dir" "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
