#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build folder and runs
# each for a fixed number of runs, starting from the seed corpora.
#   scripts/fuzz.sh [RUNS]     RUNS per target, default 20000
# Environment: BUILD_DIR (default <repo>/build-fuzz), TARGETS (default all),
# CORPUS_DIR (real modules; default <build>/corpus, fetched once when missing).
# A crash stops the script with the fuzzer's exit code; the input that crashed
# is written to <build>/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-20000}
build_dir=${BUILD_DIR:-$root/build-fuzz}
targets=${TARGETS:-"module_fuzz xm_fuzz mod_fuzz s3m_fuzz it_fuzz xm_play_fuzz data_fuzz settings_fuzz"}

CC=clang CXX=clang++ cmake -S "$root" -B "$build_dir" -DSOLVANE_WERROR=ON \
  -DSOLVANE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j"${JOBS:-2}" --target fuzzers qorv_xm qorv_dat

corpus_dir=${CORPUS_DIR:-$build_dir/corpus}
corpus_script="$root/../shared/corpus/get-corpus.sh"
if [ ! -d "$corpus_dir" ] && [ -f "$corpus_script" ]; then
  bash "$corpus_script" "$corpus_dir" >&2 || echo "fuzz: no real modules; seeding from the built ones only" >&2
fi

# Seeds: the modules the tests build, the generated ones, the real ones.
seeds=$build_dir/seeds
rm -rf "$seeds"
mkdir -p "$seeds/modules" "$seeds/data" "$seeds/settings"
"$build_dir/bin/write_seeds" "$seeds/modules"
cp "$build_dir/bin/qorv.xm" "$seeds/modules/"
cp "$build_dir/bin/qorv.dat" "$seeds/data/"
head -c 20 /dev/zero >"$seeds/settings/zeros.cfg"
if [ -d "$corpus_dir" ]; then
  find "$corpus_dir" -type f \( -name '*.xm' -o -name '*.mod' -o -name '*.s3m' -o -name '*.it' \) \
    -exec cp {} "$seeds/modules/" \;
fi

seeds_of() {
  case $1 in
    data_fuzz) echo "$seeds/data" ;;
    settings_fuzz) echo "$seeds/settings" ;;
    *) echo "$seeds/modules" ;;
  esac
}

mkdir -p "$build_dir/artifacts" "$build_dir/scratch"
for target in $targets; do
  corpus=$build_dir/fuzz-corpus/$target
  mkdir -p "$corpus"
  echo "== $target: $runs runs" >&2
  # The scratch folder takes the files the targets write their inputs to.
  (cd "$build_dir/scratch" &&
    "$build_dir/bin/$target" -runs="$runs" -max_len=65536 -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build_dir/artifacts/$target-" \
      "$corpus" "$(seeds_of "$target")" 2>&1 |
    grep -E '^(#[0-9]+ +(INITED|DONE)|Done|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)' || true)
  # grep swallows the fuzzer's exit code; a crash leaves an artifact behind.
  if ls "$build_dir/artifacts/$target-"* >/dev/null 2>&1; then
    echo "fuzz: $target left a crashing input in $build_dir/artifacts" >&2
    exit 1
  fi
done
