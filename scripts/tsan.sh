#!/usr/bin/env bash
# The sound library's threaded tests under ThreadSanitizer, in their own build
# folder (default build-tsan): the player thread, the devices whose output
# runs on SDL's audio thread, and song objects rendering on several threads.
#   scripts/tsan.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$root/build-tsan}
cmake -S "$root" -B "$build_dir" -DSOLVANE_WERROR=ON -DSOLVANE_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug \
  -DSOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target sound_tests song_tests
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
cd "$build_dir/bin"
./sound_tests --gtest_filter='*Thread*:*WaveOut*:*DirectSound*:MusicInterfaceTest.*:MusicPlayTest.*'
# With the real modules of the main build when they are there.
if [ -z "${SOLVANE_CORPUS_DIR:-}" ] && [ -d "$root/build/corpus" ]; then
  export SOLVANE_CORPUS_DIR=$root/build/corpus
fi
./song_tests --gtest_filter='*Thread*'
