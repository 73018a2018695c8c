/* CORVID song objects: render any XM, MOD, S3M or IT module into your own
 * buffer, with no sound device and no library-wide state.
 *
 *     corvid_song* song = corvid_song_open_file("tune.xm", NULL, &error);
 *     while ((frames = corvid_song_render_int16(song, buffer, 1024)) != 0)
 *         write_somewhere(buffer, frames);
 *     corvid_song_close(song);
 *
 * Threads: a song belongs to one thread at a time; any number of songs may
 * be used at once on as many threads, and give the same samples as they
 * would one after the other. Nothing here touches the state of the Music
 * interface of corvid.h, nor reads its options.
 *
 * Errors: functions that can fail return 0 (or NULL) for failure and 1 for
 * success; the codes are those of MusicGetErrorMessage. A NULL song is a
 * failure, never a crash.
 *
 * Time: a song renders in frames of interleaved stereo (left, right). Its
 * clock is the number of frames rendered since its start; seconds are frames
 * divided by the rate.
 */
#ifndef CORVID_SONG_H
#define CORVID_SONG_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct corvid_song corvid_song;

/* Mixing families. */
enum {
    CORVID_MIXING_DEFAULT = 0,   /* floating point, as corvid-play mixes */
    CORVID_MIXING_INTEGER = 1,   /* volume tables, 16-bit samples as mu-law */
    CORVID_MIXING_FLOAT = 2,     /* floating point, nearest sample */
    CORVID_MIXING_LINEAR = 3,    /* floating point, linear interpolation */
    CORVID_MIXING_SINC = 4       /* band-limited (windowed-sinc) interpolation */
};

/* Stereo separation that folds the song to mono (0 % of its width). */
#define CORVID_SEPARATION_MONO (-1)

/* What a song is opened with. Zero fields take their defaults. */
typedef struct corvid_song_config {
    int rate;            /* Hz, 8000..96000; 0 = 44100 */
    int mixing;          /* a CORVID_MIXING_ value */
    int separation;      /* percent of the song's own stereo width, 1..200;
                            0 = 100; CORVID_SEPARATION_MONO for mono */
    int amplification;   /* percent of the mixer's level, 1..800; 0 = 100 */
    int repeat;          /* 0 plays once, n plays n more passes, -1 forever */
} corvid_song_config;

/* Where a song is. */
typedef struct corvid_position {
    int order;           /* index in the order list */
    int pattern;         /* the pattern at that index */
    int row;             /* the row playing */
    int tick;            /* tick within the row */
    double seconds;      /* frames rendered / rate */
} corvid_position;

/* What one channel plays, for visualisers. */
typedef struct corvid_channel_state {
    int note;            /* last note started, 0 = C-0 .. 119 = B-9; -1 none */
    int instrument;      /* 1-based; 0 none */
    int volume;          /* 0..64, envelopes and global volume applied */
    int panning;         /* 0 left .. 255 right */
    int frequency;       /* Hz the sample plays at; 0 silent */
    int active;          /* 1 while the channel sounds */
} corvid_channel_state;

/* Opens a module from `size` bytes at `data` (copied; the caller may free
 * them). `config` may be NULL. Returns NULL on failure with the code in
 * `*error` when `error` is not NULL. */
corvid_song* corvid_song_open(const void* data, size_t size, const corvid_song_config* config, int* error);
/* As corvid_song_open, reading the file at `path`. */
corvid_song* corvid_song_open_file(const char* path, const corvid_song_config* config, int* error);
/* Frees the song; NULL is ignored. */
void corvid_song_close(corvid_song* song);

/* Renders up to `frames` frames into `interleaved_stereo` (2 values a
 * frame); returns the frames written, fewer only at the end, 0 once the
 * song has ended. */
size_t corvid_song_render_int16(corvid_song* song, int16_t* interleaved_stereo, size_t frames);
/* As corvid_song_render_int16, with values in -1..1. */
size_t corvid_song_render_float(corvid_song* song, float* interleaved_stereo, size_t frames);

/* The length in seconds of one pass through the song: exactly the frames
 * that rendering it once produces, divided by the rate. -1 for a NULL song. */
double corvid_song_duration(const corvid_song* song);
/* As corvid_song_duration, in frames. */
uint64_t corvid_song_duration_frames(const corvid_song* song);

/* Moves to `seconds` from the start (rounded to the nearest frame); what
 * renders next is exactly what a render from the start gives from there.
 * A time past the end leaves the song ended. */
int corvid_song_seek_seconds(corvid_song* song, double seconds);
/* Moves to the first time the song's first pass starts `row` of order-list
 * entry `order`; fails with 22 when that pass never plays it. */
int corvid_song_seek_order_row(corvid_song* song, int order, int row);
/* Fills `*position`. */
int corvid_song_position(const corvid_song* song, corvid_position* position);

/* Metadata. Texts stay valid until the song is closed; "" when absent. */
const char* corvid_song_title(const corvid_song* song);
const char* corvid_song_format(const corvid_song* song);   /* "XM", "MOD", "S3M" or "IT" */
const char* corvid_song_tracker(const corvid_song* song);  /* the program that wrote it, when known */
const char* corvid_song_message(const corvid_song* song);  /* lines end in '\n' */
int corvid_song_channels(const corvid_song* song);
int corvid_song_orders(const corvid_song* song);
int corvid_song_patterns(const corvid_song* song);
int corvid_song_instruments(const corvid_song* song);
int corvid_song_samples(const corvid_song* song);
/* Name of instrument or sample `index` (0-based); NULL when out of range. */
const char* corvid_song_instrument_name(const corvid_song* song, int index);
const char* corvid_song_sample_name(const corvid_song* song, int index);

/* The state of channel `channel` (0-based) as of the last tick rendered. */
int corvid_song_channel_state(const corvid_song* song, int channel, corvid_channel_state* state);
/* Silences channel `channel` or lets it sound again; it keeps playing. */
int corvid_song_mute(corvid_song* song, int channel, int muted);
/* Lets only `channel` sound; -1 lets every channel sound again. */
int corvid_song_solo(corvid_song* song, int channel);

#ifdef __cplusplus
}
#endif

#endif
