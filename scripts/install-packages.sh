#!/usr/bin/env bash
# Installs the Debian packages of the named groups that are missing:
#   scripts/install-packages.sh build [test] [web] [browser] [windows]
# build: the native build (show, library, generators); test: the tests and
# benchmarks; web: Emscripten for the browser build; browser: headless
# Chromium and what drives it, for the browser tests; windows: MinGW-w64
# for the Windows build, GoogleTest's sources to build for it, Wine to test it.
set -euo pipefail
packages=()
for group in "$@"; do
  case $group in
    build) packages+=(cmake g++ pkg-config make libsdl2-dev libfltk1.3-dev fluid libgl-dev libglu1-mesa-dev
                      libfreetype-dev fonts-dejavu-core libpng-dev) ;;
    test) packages+=(googletest libgtest-dev libbenchmark-dev xvfb xauth xdotool ffmpeg) ;;
    web) packages+=(emscripten node-acorn python3) ;;
    browser) packages+=(chromium python3-websocket) ;;
    windows) packages+=(g++-mingw-w64-x86-64-posix googletest wine64 zip) ;;
    *) echo "install-packages.sh: unknown group $group" >&2; exit 2 ;;
  esac
done
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
