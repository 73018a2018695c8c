#!/usr/bin/env bash
# Builds the Windows version in build-win/ (cross-compiled with MinGW-w64)
# and packs it into build-win/solvane-windows.zip; installs what is missing.
#   ./windows.sh            build and pack
#   ./windows.sh test       also run the tests under Wine
# NATIVE_BUILD_DIR names a native build folder to take the data generators
# from (and, for the tests, corvid-play and the show to compare with).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${BUILD_DIR:-$root/build-win}

groups=(build windows)
[ "${1:-}" = test ] && groups+=(test)
"$root/scripts/install-packages.sh" "${groups[@]}"

# The programs that draw qorv.dat and compose qorv.xm run here, so they are
# built for this machine first: in NATIVE_BUILD_DIR when it names a native
# build folder, else in a folder of their own.
native=${NATIVE_BUILD_DIR:-$build/generators}
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$native" -DSOLVANE_PLATFORM=generators \
    -DSOLVANE_BUILD_TESTS=OFF -DSOLVANE_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$native" -j"$(nproc)" --target assetgen composer

# shellcheck disable=SC2086
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DSOLVANE_HOST_TOOLS="$native/bin" ${NATIVE_BUILD_DIR:+-DSOLVANE_NATIVE_BUILD="$NATIVE_BUILD_DIR"} \
  -DSOLVANE_BUILD_BENCH=OFF ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"

# The distribution: the programs (without their debugging information), the
# data, the library and its header.
dist="$build/dist/solvane"
rm -rf "$build/dist"
cmake --install "$build" --prefix "$dist" --strip >/dev/null
(cd "$build/dist" && rm -f ../solvane-windows.zip && zip -qr ../solvane-windows.zip solvane)
echo "Built $build/solvane-windows.zip"

if [ "${1:-}" = test ]; then
  cd "$build"
  ctest --output-on-failure -j"$(nproc)" --timeout 900
fi
