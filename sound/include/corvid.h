/* CORVID, the sound library: public interface.
   Every call that can fail returns 1 on success and 0 on failure; the code of
   the last failure is read with MusicGetLastError. Usable from C and C++. */
#ifndef CORVID_H
#define CORVID_H

#include <stdint.h>

/* The library's version, as its setup dialog and the host's banner show it. */
#define CORVID_VERSION_TEXT "1.1.2"

#ifdef __cplusplus
extern "C" {
#endif

/* Where a playing module is, as MusicGetPlayStatus reports it. */
typedef struct MusicStatus {
    int32_t position;      /* index in the order list, 0-based */
    int32_t pattern;       /* the pattern stored at that index */
    int32_t row;           /* row in that pattern, 0-based */
    int32_t syncInfo;      /* argument of the last sync effect played; -1 before the first */
    int32_t songLoopCount; /* times the song has looped; 0 at start */
} MusicStatus;

/* Option numbers for MusicSetOption / MusicGetOption (signed 32-bit values). */
enum {
    MUSIC_OPTION_MIXING_RATE = 1,            /* Hz, default 44100 */
    MUSIC_OPTION_OUTPUT_MODE = 2,            /* bits 1 mono, 2 stereo, 4 8-bit, 8 16-bit; 0 = device default;
                                                plus MUSIC_OUTPUT_SINC_MIXING */
    MUSIC_OPTION_BUFFER_LENGTH = 3,          /* milliseconds, default 500 */
    MUSIC_OPTION_RESERVED = 4,               /* stored only, default 16 */
    MUSIC_OPTION_DIRECTSOUND_USAGE = 5,
    MUSIC_OPTION_DIRECTSOUND_WINDOW = 6,
    MUSIC_OPTION_DIRECTSOUND_OBJECT = 7,
    MUSIC_OPTION_DIRECTSOUND_BUFFER_LENGTH = 8, /* milliseconds, default 100 */
    MUSIC_OPTION_MULAW_SAMPLES = 9,          /* default 1 */
    MUSIC_OPTION_OUTPUT_FILTER = 10,         /* 0 none, 1, 2, 3 automatic (default) */
    MUSIC_OPTION_MIXING_MODE = 11,           /* 1 interpolating, 0 normal */
    MUSIC_OPTION_STEREO_SEPARATION = 12,     /* default 64 */
    MUSIC_OPTION_FORCE_SILENCE = 13
};

/* Output mode bit (option 2): band-limited mixing, an eight-tap windowed-sinc
   resampler whose cut-off falls for notes above the mixing rate; cleaner
   high notes and short loops than interpolating mixing (option 11), which it
   overrides, for about twice its processor time. */
#define MUSIC_OUTPUT_SINC_MIXING 16

/* The code of the last failed call (0 = none). */
int MusicGetLastError(void);

/* The text of an error code, e.g. 0 -> "OK". */
const char* MusicGetErrorMessage(int code);

/* Stores an option; always returns 1. Unknown numbers are ignored, and the
   mixing mode keeps only 1 or 0. */
int MusicSetOption(int number, int value);

/* An option's value; 0 for an unknown number. */
int MusicGetOption(int number);

/* Enter and leave the library lock (re-entrant). */
void MusicLock(void);
void MusicUnlock(void);

/* Replaces the handler that receives the text of errors no caller can be told
   about; a null handler restores the default (text to standard error, exit
   code 255). */
typedef void (*MusicFatalErrorHandler)(const char* text);
void MusicSetFatalErrorHandler(MusicFatalErrorHandler handler);

/* A loaded module (opaque). */
typedef struct MusicModule MusicModule;

/* Called by a module's sync effect with its argument and where it played. */
typedef void (*MusicSyncCallback)(int32_t argument, uint32_t position, uint32_t row);

/* Resets the library, every option and the fatal-error handler to their
   defaults; call once, first. */
int MusicStartup(void);

/* Chooses the output device (detection, or the silent device when option 13
   is set) and opens it. On failure, setting option 13 and calling it again
   opens the silent device. */
int MusicInit(void);

/* Stops the player thread and every playing module, then closes the player,
   the channels and the device; the first failing step ends it. */
int MusicClose(void);

/* Loads an XM, S3M, IT or MOD module (chosen by its header); null on failure. */
MusicModule* MusicLoadModule(const char* fileName);

/* Frees a module that is no longer playing; a null module succeeds. */
int MusicFreeModule(MusicModule* module);

/* Runs the output and the players on a thread of their own, every
   (1000 / rate) / 2 ms, or every 20 ms for rate 0. */
int MusicStartBackgroundPlay(int rate);
int MusicStopBackgroundPlay(void);

/* One pass of the output and the players, for hosts without the thread. */
int MusicPoll(void);

/* Plays the whole module; returns a play handle (1..16), or 0 on failure. */
int MusicPlayModule(MusicModule* module, int loop);

/* Plays positions first..last, looping back to restart; first -1 plays the
   whole song. Returns a play handle, or 0. */
int MusicPlayModuleSection(MusicModule* module, int firstPosition, int lastPosition, int restartPosition, int loop);

/* Where the play is. Takes no lock: the values may come from two
   neighbouring ticks. */
int MusicGetPlayStatus(int handle, MusicStatus* status);

/* Jumps to an order-list position, row 0. */
int MusicSetPosition(int handle, int position);

/* The play's master volume: 0..64, a value outside taken as the nearer end. */
int MusicSetMusicVolume(int handle, int volume);

/* Stops a play and gives back its channels. */
int MusicStopModule(int handle);

int MusicOpenChannels(int count);
int MusicCloseChannels(void);

/* Scales the device's amplification by percent (100 leaves it alone). */
int MusicSetAmplification(int percent);

int MusicSetSyncCallback(int handle, MusicSyncCallback callback);

/* "1.1.2" */
const char* MusicGetVersionString(void);
/* The sound setup dialog: sound card, quality preset or custom mixing rate
   and mode, stereo, buffer lengths. Runs modally; on OK it stores the choice
   in the options (and the device choice that MusicInit uses) and returns 1;
   Cancel returns 0 and stores nothing. When the dialog cannot be shown (no
   display) it returns 0 and sets the setup error flag. */
int showSoundSetup(void);

/* 1 when the last setup call (the dialog, a settings save or load) failed,
   else 0. */
int soundSetupFailed(void);

/* The five saved settings (mixing rate, output mode, interpolation, buffer
   length, DirectSound buffer length) in a 20-byte file of little-endian
   32-bit values. Each returns 1 on success, 0 on failure (and sets the setup
   error flag); a load that fails part-way keeps the values read before. */
int saveSoundSettingsToFile(const char* fileName);
int loadSoundSettingsFromFile(const char* fileName);

/* The same five settings as named 32-bit values under a key and subkey of
   the settings store (the user's configuration folder), e.g.
   (SOUND_SETTINGS_CURRENT_USER, "Software\\Orvane\\Solvane"). */
enum { SOUND_SETTINGS_CURRENT_USER = 1, SOUND_SETTINGS_LOCAL_MACHINE = 2 };
int saveSoundSettingsToRegistry(int rootKey, const char* subkey);
int loadSoundSettingsFromRegistry(int rootKey, const char* subkey);

#ifdef __cplusplus
}
#endif

#endif
