/* A C program that uses corvid.dll through its import library: the options,
   the error texts, and a module loaded and played on the silent device. */
#include "corvid.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char** argv)
{
    MusicModule* module;
    MusicStatus status;
    int handle, pass;
    if (argc != 2) {
        fprintf(stderr, "usage: corvid_dll_test MODULE\n");
        return 2;
    }
    if (MusicStartup() != 1 || MusicSetOption(MUSIC_OPTION_MIXING_MODE, 2) != 1 ||
        MusicGetOption(MUSIC_OPTION_MIXING_MODE) != 0 || strcmp(MusicGetErrorMessage(0), "OK") != 0) {
        fprintf(stderr, "options or error texts wrong\n");
        return 1;
    }
    MusicSetOption(MUSIC_OPTION_FORCE_SILENCE, 1);
    if (MusicInit() != 1 || (module = MusicLoadModule(argv[1])) == NULL || (handle = MusicPlayModule(module, 0)) == 0) {
        fprintf(stderr, "cannot play %s: %s\n", argv[1], MusicGetErrorMessage(MusicGetLastError()));
        return 1;
    }
    /* The silent device mixes 4000 frames per second of wall time. */
    for (pass = 0; pass < 40; ++pass) {
        MusicPoll();
        MusicGetPlayStatus(handle, &status);
        if (status.row > 0 || status.position > 0)
            break;
        Sleep(25);
    }
    MusicStopModule(handle);
    MusicFreeModule(module);
    MusicClose();
    if (status.row == 0 && status.position == 0) {
        fprintf(stderr, "the module did not advance\n");
        return 1;
    }
    printf("corvid.dll %s: row %d\n", MusicGetVersionString(), (int)status.row);
    return 0;
}
