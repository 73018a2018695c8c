#!/bin/sh
# The whole show captured by solvane.exe under Wine and by the build for this
# machine: the same exit code, the same sound sample for sample, and the same
# pictures.
#   same_capture_test.sh NATIVE_SOLVANE WINDOWS_SOLVANE
# The pictures are compared decoded (the two systems' PNG encoders write
# different bytes for the same pixels), one checksum per frame. Where frames
# differ, the test names them and the largest difference of a colour channel
# in the first of them.
set -u
native=$1 windows=$2
if [ ! -x "$native" ]; then
  echo "no solvane built for this machine at $native: nothing to compare against" >&2
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# A whole show ends with exit code 1, as the show always has. The two
# captures run side by side (the one under Wine takes the longer).
(cd "$(dirname "$native")" && "$native" --capture "$scratch/native" 2>/dev/null; echo $? >"$scratch/native.status") &
(cd "$(dirname "$windows")" && "${SOLVANE_WINE:?}" "$windows" --capture "$scratch/windows" 2>/dev/null)
windows_status=$?
wait
native_status=$(cat "$scratch/native.status")
echo "exit codes: $native_status on this machine, $windows_status under Wine"
status=0
[ "$native_status" -eq "$windows_status" ] || status=1

frames_native=$(find "$scratch/native" -name 'frame*.png' | wc -l)
frames_windows=$(find "$scratch/windows" -name 'frame*.png' | wc -l)
echo "frames: $frames_native on this machine, $frames_windows under Wine"
{ [ "$frames_native" -gt 0 ] && [ "$frames_native" -eq "$frames_windows" ]; } || status=1

if cmp -s "$scratch/native/sound.wav" "$scratch/windows/sound.wav"; then
  echo "sound: identical ($(wc -c <"$scratch/native/sound.wav") bytes)"
else
  echo "sound: different" >&2
  status=1
fi

decoded() {
  ffmpeg -loglevel error -framerate 30 -i "$1/frame%06d.png" -f framemd5 -pix_fmt rgb24 - | grep -v '^#' |
    awk -F, '{print $NF}'
}
decoded "$scratch/native" >"$scratch/native.md5" &
decoded "$scratch/windows" >"$scratch/windows.md5"
wait
differing=$(paste -d' ' "$scratch/native.md5" "$scratch/windows.md5" | awk '$1 != $2 {print NR - 1}')
if [ -z "$differing" ] && [ -s "$scratch/native.md5" ]; then
  echo "pictures: identical"
else
  first=$(echo "$differing" | head -1)
  frame=$(printf 'frame%06d.png' "$first")
  for side in native windows; do
    ffmpeg -loglevel error -i "$scratch/$side/$frame" -f rawvideo -pix_fmt rgb24 "$scratch/$side.rgb"
  done
  largest=$(cmp -l "$scratch/native.rgb" "$scratch/windows.rgb" | awk '
    function octal(text,   value, i) { value = 0; for (i = 1; i <= length(text); i++) value = value * 8 + substr(text, i, 1); return value }
    { d = octal($2) - octal($3); if (d < 0) d = -d; if (d > largest) largest = d } END { print largest + 0 }')
  echo "pictures: $(echo "$differing" | wc -l) frames differ, the first $first (largest channel difference there $largest)" >&2
  status=1
fi
exit $status
