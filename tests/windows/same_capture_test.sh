#!/bin/sh
# The whole show captured by solvane.exe under Wine and by the build for this
# machine: the same sound, sample for sample, and the same pictures.
#   same_capture_test.sh NATIVE_SOLVANE WINDOWS_SOLVANE
# The pictures are compared decoded (the two systems' PNG encoders write
# different bytes for the same pixels). Where they differ, the test names the
# frames and the largest difference of a colour channel, and fails.
set -eu
native=$1 windows=$2
if [ ! -x "$native" ]; then
  echo "no solvane built for this machine at $native: nothing to compare against" >&2
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$(dirname "$native")" && "$native" --capture "$scratch/native" 2>/dev/null)
(cd "$(dirname "$windows")" && "${SOLVANE_WINE:?}" "$windows" --capture "$scratch/windows" 2>/dev/null)

status=0
frames_native=$(find "$scratch/native" -name 'frame*.png' | wc -l)
frames_windows=$(find "$scratch/windows" -name 'frame*.png' | wc -l)
echo "frames: $frames_native on this machine, $frames_windows under Wine"
[ "$frames_native" -gt 0 ] && [ "$frames_native" -eq "$frames_windows" ] || status=1

if cmp -s "$scratch/native/sound.wav" "$scratch/windows/sound.wav"; then
  echo "sound: identical ($(wc -c <"$scratch/native/sound.wav") bytes)"
else
  echo "sound: different" >&2
  status=1
fi

# One raw RGB stream per capture, compared byte by byte.
for side in native windows; do
  ffmpeg -loglevel error -framerate 30 -i "$scratch/$side/frame%06d.png" -f rawvideo -pix_fmt rgb24 \
    "$scratch/$side.rgb"
done
if cmp -s "$scratch/native.rgb" "$scratch/windows.rgb"; then
  echo "pictures: identical"
else
  frame_bytes=$((320 * 200 * 3))
  cmp -l "$scratch/native.rgb" "$scratch/windows.rgb" 2>/dev/null | awk -v size="$frame_bytes" '
    function octal(text,   value, i) { value = 0; for (i = 1; i <= length(text); i++) value = value * 8 + substr(text, i, 1); return value }
    { d = octal($2) - octal($3); if (d < 0) d = -d; if (d > largest) largest = d
      frame = int(($1 - 1) / size); if (!(frame in seen)) { seen[frame] = 1; frames++; if (frames <= 10) list = list " " frame } }
    END { printf "pictures: %d bytes differ in %d frames (first:%s), largest channel difference %d\n", NR, frames, list, largest }' >&2
  status=1
fi
exit $status
