/* Renders a module to a 16-bit stereo WAV file with the song API:
 *     render_song MODULE OUT.wav */
#include <corvid_song.h>
#include <stdio.h>

static void put32(FILE* out, unsigned value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        fputc((value >> (8 * i)) & 0xFF, out);
}

int main(int argc, char** argv)
{
    int error = 0;
    corvid_song* song = argc == 3 ? corvid_song_open_file(argv[1], NULL, &error) : NULL;
    FILE* out = song ? fopen(argv[2], "wb") : NULL;
    if (!out) {
        fprintf(stderr, "usage: render_song MODULE OUT.wav (error %d)\n", error);
        return 1;
    }
    const unsigned bytes = (unsigned)corvid_song_duration_frames(song) * 4;
    fputs("RIFF", out), put32(out, 36 + bytes, 4), fputs("WAVEfmt ", out), put32(out, 16, 4);
    put32(out, 1, 2), put32(out, 2, 2), put32(out, 44100, 4), put32(out, 44100 * 4, 4), put32(out, 4, 2);
    put32(out, 16, 2), fputs("data", out), put32(out, bytes, 4);
    short frames[2 * 4096];
    size_t count;
    while ((count = corvid_song_render_int16(song, frames, 4096)) != 0)
        fwrite(frames, 4, count, out); /* little-endian machines */
    printf("%s: \"%s\", %s, %.3f s\n", argv[1], corvid_song_title(song), corvid_song_format(song),
           corvid_song_duration(song));
    corvid_song_close(song);
    return fclose(out) == 0 ? 0 : 1;
}
