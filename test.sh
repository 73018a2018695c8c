#!/usr/bin/env bash
# Sets the machine up (packages, build) and runs every test.
#   BUILD_DIR=build-asan CMAKE_ARGS="-DSOLVANE_SANITIZE=address,undefined" ./test.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=${BUILD_DIR:-$root/build}
# shellcheck disable=SC2086
"$root/scripts/setup.sh" "$build_dir" -DSOLVANE_BUILD_TESTS=ON ${CMAKE_ARGS:-}
# Real modules for the sound library's tests, fetched once (the tests skip
# without them).
corpus_script="$root/../shared/corpus/get-corpus.sh"
if [ -f "$corpus_script" ] && [ ! -d "$build_dir/corpus" ]; then
  bash "$corpus_script" "$build_dir/corpus" >&2 || echo "Could not fetch the module corpus; its tests will skip." >&2
fi
cd "$build_dir"
ctest --output-on-failure -j"$(nproc)" --timeout 600
