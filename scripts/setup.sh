#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing), then
# configures and builds incrementally.
#   scripts/setup.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:?build folder}
shift

"$root/scripts/install-packages.sh" build test

cmake -S "$root" -B "$build_dir" "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
