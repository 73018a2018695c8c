#!/bin/sh
# corvid-play built for Windows, run under Wine, renders the same samples as
# the build for this machine: integer mixing is exact on both, so the WAV
# files must be identical byte for byte.
#   same_sound_test.sh NATIVE_CORVID_PLAY WINDOWS_CORVID_PLAY MODULE...
set -eu
native=$1 windows=$2
shift 2
if [ ! -x "$native" ]; then
  echo "no corvid-play built for this machine at $native: nothing to compare against" >&2
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
compared=0
for module in "$@"; do
  [ -f "$module" ] || continue
  "$native" --integer --wav "$scratch/native.wav" "$module" >/dev/null
  # A Wine start that overlaps another program's shutting down of the shared
  # prefix can fail once without a word; a fault of our own fails again.
  for attempt in 1 2; do
    status=0
    "${SOLVANE_WINE:?}" "$windows" --integer --wav "$scratch/windows.wav" "$module" >/dev/null || status=$?
    [ "$status" -eq 0 ] && break
    echo "the Windows corvid-play ended with exit code $status on $module (attempt $attempt)" >&2
  done
  [ "$status" -eq 0 ] || exit 1
  if ! cmp -s "$scratch/native.wav" "$scratch/windows.wav"; then
    echo "different samples for $module" >&2
    exit 1
  fi
  compared=$((compared + 1))
done
echo "$compared modules render the same on both systems"
[ "$compared" -gt 0 ]
