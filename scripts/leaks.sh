#!/usr/bin/env bash
# Looks for memory the programs never give back: corvid-play renders every
# module of the real corpus, and the show captures itself from start to end,
# both built with LeakSanitizer (which costs almost no speed) in their own
# build folder. Any leak fails the script with the sanitizer's report.
#   scripts/leaks.sh [BUILD_DIR]      default <repo>/build-lsan
# Environment: CORPUS_DIR (default <build>/corpus, fetched once when missing).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$root/build-lsan}

cmake -S "$root" -B "$build_dir" -DSOLVANE_WERROR=ON -DSOLVANE_SANITIZE=leak -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSOLVANE_BUILD_TESTS=OFF -DSOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target solvane corvid-play qorv_xm qorv_dat

corpus_dir=${CORPUS_DIR:-$build_dir/corpus}
corpus_script="$root/../shared/corpus/get-corpus.sh"
if [ ! -d "$corpus_dir" ] && [ -f "$corpus_script" ]; then
  bash "$corpus_script" "$corpus_dir" >&2 || echo "leaks: no real modules; only qorv.xm is rendered" >&2
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A leak makes the program end with this code instead of its own.
export LSAN_OPTIONS=exitcode=23
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

modules=("$build_dir/bin/qorv.xm")
if [ -d "$corpus_dir" ]; then
  while IFS= read -r -d '' file; do modules+=("$file"); done < <(
    find "$corpus_dir" -type f \( -name '*.xm' -o -name '*.mod' -o -name '*.s3m' -o -name '*.it' \) -print0 | sort -z)
fi
for module in "${modules[@]}"; do
  if ! "$build_dir/bin/corvid-play" --wav "$scratch/song.wav" "$module" >/dev/null 2>"$scratch/log"; then
    cat "$scratch/log" >&2
    echo "leaks: corvid-play failed on $module" >&2
    exit 1
  fi
done
echo "leaks: corvid-play rendered ${#modules[@]} modules without a leak" >&2

# The show ends normally with exit code 1, after releasing the display, the
# data library and the sound library.
cd "$build_dir/bin"
status=0
./solvane --capture "$scratch/frames" --mode 320x200x32 >/dev/null 2>"$scratch/log" || status=$?
if [ "$status" -ne 1 ]; then
  tail -n 60 "$scratch/log" >&2
  echo "leaks: the show ended with $status (1 expected; 23 means a leak)" >&2
  exit 1
fi
echo "leaks: the show captured itself to the end without a leak" >&2
