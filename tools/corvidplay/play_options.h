#pragma once
// corvid-play's command line: what it asks for, read into one record, and
// the small text forms it reads and writes (channel lists, times).

#include <cstdint>
#include <string>
#include <vector>

#include "sound/include/corvid_song.h"

namespace corvidplay {

struct PlayOptions {
    std::vector<std::string> modules;
    bool help = false;
    bool info = false;   // describe each module instead of playing it
    bool trace = false;  // print each module's row timeline instead of playing it
    bool quiet = false;  // no status line, no progress messages
    std::string wavPath;              // render to this WAV file; "-" for standard output
    std::string device;               // "" (the sound card, else silence), "silent" or "wave"
    int bufferMs = 250;               // sound queued ahead of the sound card
    corvid_song_config song{};        // rate, mixing, separation, amplification, repeat
    int startOrder = -1, startRow = 0;  // --start; -1: from the beginning
    double seekSeconds = -1;            // --seek; -1: none
    std::vector<int> muted;             // 0-based channels
    std::vector<int> soloed;
};

// Reads the arguments after the program's name; returns "" or what is wrong.
std::string parseArguments(const std::vector<std::string>& arguments, PlayOptions& options);

// "1,3,5-8" (1-based channel numbers) as 0-based channels; false on anything else.
bool parseChannelList(const std::string& text, std::vector<int>& channels);

// "83.5", "1:23.5" or "1:02:03" as seconds; false on anything else.
bool parseSeconds(const std::string& text, double& seconds);

// m:ss.t, or h:mm:ss.t from an hour on.
std::string formatSeconds(double seconds);

extern const char* const usageText;

}  // namespace corvidplay

namespace corvidplay {

// What the status line shows of the moment being heard.
struct HeardMoment {
    corvid_position position{};
    std::string activity;  // one character a channel: ' ' silent, then . - = # by loudness
};

// The character a channel shows: ' ' when it is silent, else by its volume (0..64).
char activityMark(const corvid_channel_state& channel);

// "order  3/45  pattern 12  row 33   1:02.3 / 3:45.0  |.# = |" and "paused" while paused.
std::string statusLine(const HeardMoment& moment, int orders, double duration, bool paused);

}  // namespace corvidplay
