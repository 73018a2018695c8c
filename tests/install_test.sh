#!/bin/sh
# Installs the build into a scratch prefix and checks that C programs find
# and link the sound library, through pkg-config and through its CMake
# package (the example renders the show's music through the song API), and
# that the show and its data are where the show looks for them.
#   install_test.sh SOURCE_DIR BUILD_DIR
set -eu
source=$1
build=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/solvane"
test -f "$prefix/share/solvane/qorv.dat"
library=$(ls "$prefix"/lib*/libcorvid.so.1 "$prefix"/lib/*/libcorvid.so.1 2>/dev/null | head -n 1)
objdump -p "$library" | grep -q 'SONAME *libcorvid.so.1$'
cat > "$prefix/use_corvid.c" <<'C'
#include <corvid.h>
#include <stdio.h>
#include <string.h>
int main(void)
{
    MusicStatus status;
    memset(&status, 0, sizeof status);
    if (MusicSetOption(MUSIC_OPTION_MIXING_MODE, 2) != 1 || MusicGetOption(MUSIC_OPTION_MIXING_MODE) != 0)
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
