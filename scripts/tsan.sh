#!/usr/bin/env bash
# The sound library's threaded tests under ThreadSanitizer, in their own build
# folder (default build-tsan): the player thread, and the devices whose output
# runs on SDL's audio thread.
#   scripts/tsan.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$root/build-tsan}
cmake -S "$root" -B "$build_dir" -DSOLVANE_WERROR=ON -DSOLVANE_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug \
  -DSOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target sound_tests
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
cd "$build_dir/bin"
./sound_tests --gtest_filter='*Thread*:*WaveOut*:*DirectSound*:MusicInterfaceTest.*:MusicPlayTest.*'
