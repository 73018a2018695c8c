#!/bin/sh
# Installs the build into a scratch prefix and checks that a C program finds
# and links the sound library through pkg-config, and that the show and its
# data are where the show looks for them.
#   install_test.sh BUILD_DIR
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/solvane"
test -f "$prefix/share/solvane/qorv.dat"
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
"$prefix/use_corvid"
