#!/bin/sh
# Installs the build into a scratch prefix and checks that C programs find
# and link the sound library, through pkg-config and through its CMake
# package (the example renders the show's music through the song API), and
# that the show and its data are where the show looks for them: the installed
# show, run from another folder, finds its data beside itself and captures
# (stopped after a few seconds), and the installed corvid-play renders.
#   install_test.sh SOURCE_DIR BUILD_DIR
set -eu
source=$1
build=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/solvane"
test -x "$prefix/bin/corvid-play"
test -f "$prefix/share/man/man1/solvane.1"
test -f "$prefix/share/man/man1/corvid-play.1"
test -f "$prefix/share/solvane/qorv.dat"
library=$(ls "$prefix"/lib*/libcorvid.so.1 "$prefix"/lib/*/libcorvid.so.1 2>/dev/null | head -n 1)
objdump -p "$library" | grep -q 'SONAME *libcorvid.so.1$'
cat > "$prefix/use_corvid.c" <<'C'
#include <corvid.h>
#include <corvid_song.h>
#include <stdio.h>
#include <string.h>
int main(void)
{
    MusicStatus status;
    int error = 0;
    memset(&status, 0, sizeof status);
    if (MusicSetOption(MUSIC_OPTION_MIXING_MODE, 2) != 1 || MusicGetOption(MUSIC_OPTION_MIXING_MODE) != 0)
        return 1;
    if (corvid_song_open(NULL, 1, NULL, &error) != NULL || error != 22)
        return 1;
    printf("%s\n", MusicGetErrorMessage(0));
    return status.row;
}
C
PKG_CONFIG_PATH="$prefix/lib/pkgconfig:$prefix/lib/x86_64-linux-gnu/pkgconfig" \
  sh -c 'cc "$1/use_corvid.c" -o "$1/use_corvid" $(pkg-config --cflags --libs corvid)' sh "$prefix"
LD_LIBRARY_PATH=$(dirname "$library") "$prefix/use_corvid"

# The example, built on its own against the installed package.
cmake -S "$source/examples" -B "$prefix/examples" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$prefix/examples" >/dev/null
"$prefix/examples/render_song" "$prefix/share/solvane/qorv.xm" "$prefix/qorv.wav"
test "$(head -c 4 "$prefix/qorv.wav")" = RIFF
test "$(wc -c < "$prefix/qorv.wav")" -gt 1000000

# The show from an unrelated folder, in a tree installed under another prefix
# than the configured one: it finds ../share/solvane beside itself.
mkdir "$prefix/elsewhere"
cd "$prefix/elsewhere"
"$prefix/bin/solvane" --capture frames --mode 320x200x32 --silent >log 2>&1 &
show=$!
waited=0
while [ "$(ls frames 2>/dev/null | wc -l)" -lt 30 ] && [ $waited -lt 600 ] && kill -0 $show 2>/dev/null; do
  sleep 0.1
  waited=$((waited + 1))
done
kill -TERM $show 2>/dev/null || true
status=0
wait $show || status=$?
if [ $status -ne 0 ] || ! ls frames.incomplete/frame000029.png >/dev/null 2>&1; then
  echo "the installed show did not capture from another folder (exit code $status):" >&2
  cat log >&2
  exit 1
fi
"$prefix/bin/corvid-play" --wav qorv.wav "$prefix/share/solvane/qorv.xm" >/dev/null
test "$(wc -c < qorv.wav)" -gt 1000000
