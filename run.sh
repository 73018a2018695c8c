#!/usr/bin/env bash
# Sets the machine up (packages, build) and runs the show from the build's
# output folder. Every argument goes to solvane; try ./run.sh --help.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/scripts/setup.sh" "$root/build" -DSOLVANE_BUILD_TESTS=OFF -DSOLVANE_BUILD_BENCH=OFF >&2
cd "$root/build/bin"
exec ./solvane "$@"
