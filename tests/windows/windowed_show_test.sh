#!/bin/sh
# solvane.exe under Wine on a virtual X screen: --windowed --mode 640x480x32
# opens its window and shows the first scene; Escape aborts the show, the
# "Demonstration aborted" box is dismissed, and the process ends with exit
# code 0.
#   windowed_show_test.sh SOLVANE_EXE        (run inside xvfb-run, on a 1024x768 screen)
set -u
exe=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"${SOLVANE_WINE:?}" "$exe" --windowed --mode 640x480x32 >"$scratch/log" 2>&1 &
show=$!

# The window opens after loading and the one-second settling wait; the first
# scene fades in over its first rows.
window=""
for _ in $(seq 60); do
  window=$(xdotool search --name 'Solvane' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 1
done
if [ -z "$window" ]; then
  echo "no show window appeared" >&2
  cat "$scratch/log" >&2
  kill "$show" 2>/dev/null
  exit 1
fi
# The picture follows the window once the show has loaded and settled, later
# on a busy machine: look at the screen until the scene shows, for a minute.
lit=0
for _ in $(seq 30); do
  sleep 2
  ffmpeg -loglevel error -f x11grab -video_size 1024x768 -i "$DISPLAY" \
    -frames:v 1 -f rawvideo -pix_fmt gray -y "$scratch/screen.raw"
  lit=$(od -An -v -tu1 -w1 "$scratch/screen.raw" | awk '$1 > 40 {n++} END {print n + 0}')
  [ "$lit" -gt 10000 ] && break
done
echo "pixels lit on the screen: $lit"

# No window manager runs here: focus the window, then type into it (Wine
# ignores keys sent to a window without the focus).
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key Escape
# The abort fades the music out and shows its message box; Return dismisses it.
for _ in $(seq 30); do
  kill -0 "$show" 2>/dev/null || break
  box=$(xdotool search --name '^User interruption' 2>/dev/null | head -1)
  [ -n "$box" ] && xdotool windowfocus --sync "$box" key Return 2>/dev/null
  sleep 1
done
if kill -0 "$show" 2>/dev/null; then
  echo "the show did not end after Escape" >&2
  kill "$show"
  exit 1
fi
wait "$show"
status=$?
echo "exit code $status"
[ "$lit" -gt 10000 ] && [ "$status" -eq 0 ]
