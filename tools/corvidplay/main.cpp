// corvid-play: plays modules through song objects (corvid_song.h) on the
// sound card with a live status line and keys, describes them, renders one
// to a WAV file, or prints a row timeline. See usageText for the options.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/capture.h"
#include "platform/console.h"
#include "platform/termination.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_song.h"
#include "tools/corvidplay/play_options.h"
#include "tools/corvidplay/song_renderer.h"
#include "tools/corvidplay/sound_output.h"
#include "tools/corvidplay/terminal_keys.h"

namespace {

using corvidplay::PlayOptions;

constexpr int exitOk = 0, exitFailure = 1, exitUsage = 2, exitInterrupted = 130;

struct SongCloser {
    void operator()(corvid_song* song) const { corvid_song_close(song); }
};
using SongPointer = std::unique_ptr<corvid_song, SongCloser>;

void complain(const std::string& what) { std::fprintf(stderr, "corvid-play: %s\n", what.c_str()); }

// Opens `path` as the options ask: mutes, solo and the starting point applied.
// Null (with the reason told) when the module cannot be read or that start is not in it.
SongPointer openSong(const std::string& path, const PlayOptions& options)
{
    int error = 0;
    SongPointer song(corvid_song_open_file(path.c_str(), &options.song, &error));
    if (!song) {
        complain(path + ": " + MusicGetErrorMessage(error));
        return nullptr;
    }
    const int channels = corvid_song_channels(song.get());
    for (const auto* list : {&options.soloed, &options.muted})
        for (int channel : *list)
            if (channel >= channels) {
                complain(path + ": there is no channel " + std::to_string(channel + 1) + " (the song has " +
                         std::to_string(channels) + ")");
                return nullptr;
            }
    if (!options.soloed.empty())
        for (int channel = 0; channel < channels; ++channel)
            corvid_song_mute(song.get(), channel, 1);
    for (int channel : options.soloed)
        corvid_song_mute(song.get(), channel, 0);
    for (int channel : options.muted)
        corvid_song_mute(song.get(), channel, 1);
    if (options.startOrder >= 0 && corvid_song_seek_order_row(song.get(), options.startOrder, options.startRow) == 0) {
        complain(path + ": the song never plays row " + std::to_string(options.startRow) + " of order " +
                 std::to_string(options.startOrder) + " (it has " + std::to_string(corvid_song_orders(song.get())) +
                 " orders)");
        return nullptr;
    }
    if (options.seekSeconds >= 0) {
        const double duration = corvid_song_duration(song.get());
        if (options.seekSeconds >= duration && options.song.repeat == 0) {
            complain(path + ": --seek " + corvidplay::formatSeconds(options.seekSeconds) + " is past the end (" +
                     corvidplay::formatSeconds(duration) + ")");
            return nullptr;
        }
        corvid_song_seek_seconds(song.get(), options.seekSeconds);
    }
    return song;
}

void printNames(const char* heading, int count, const char* (*name)(const corvid_song*, int), const corvid_song* song)
{
    std::printf("%s (%d):\n", heading, count);
    for (int i = 0; i < count; ++i)
        std::printf("  %3d  %s\n", i + 1, name(song, i));
}

int describe(const std::string& path, const PlayOptions& options)
{
    const SongPointer song = openSong(path, options);
    if (!song)
        return exitFailure;
    const corvid_song* s = song.get();
    std::printf("%s\n", path.c_str());
    std::printf("title:     %s\n", corvid_song_title(s));
    std::printf("format:    %s\n", corvid_song_format(s));
    std::printf("tracker:   %s\n", corvid_song_tracker(s));
    std::printf("channels:  %d\n", corvid_song_channels(s));
    std::printf("orders:    %d\n", corvid_song_orders(s));
    std::printf("patterns:  %d\n", corvid_song_patterns(s));
    std::printf("duration:  %s (%.3f s)\n", corvidplay::formatSeconds(corvid_song_duration(s)).c_str(),
                corvid_song_duration(s));
    printNames("instruments", corvid_song_instruments(s), corvid_song_instrument_name, s);
    printNames("samples", corvid_song_samples(s), corvid_song_sample_name, s);
    const std::string message = corvid_song_message(s);
    if (!message.empty())
        std::printf("message:\n%s%s", message.c_str(), message.back() == '\n' ? "" : "\n");
    std::printf("\n");
    return exitOk;
}

// The row timeline of one pass: one line per change of order or row.
int trace(const std::string& path, const PlayOptions& options)
{
    corvidplay::RenderSettings settings;
    settings.mixingRate = options.song.rate == 0 ? 44100u : static_cast<uint32_t>(options.song.rate);
    std::printf("# %s, %u Hz, song played once\n", path.c_str(), settings.mixingRate);
    corvidplay::RenderResult result;
    const corvid::ErrorCode error = corvidplay::renderSong(
        path, settings, nullptr,
        [](const corvidplay::RowStart& r) { std::printf("%.6f %u %u %u\n", r.seconds, r.position, r.row, r.pattern); },
        result);
    if (error != corvid::ErrorCode::ok) {
        complain(path + ": " + MusicGetErrorMessage(static_cast<int>(error)));
        return exitFailure;
    }
    return exitOk;
}

int renderWav(const std::string& path, const PlayOptions& options)
{
    const SongPointer song = openSong(path, options);
    if (!song)
        return exitFailure;
    const int rate = options.song.rate == 0 ? 44100 : options.song.rate;
    const bool toOutput = options.wavPath == "-";
    platform::WavWriter wav;
    if (toOutput)
        platform::binaryStandardOutput();
    if (!(toOutput ? wav.open(stdout, rate, 2) : wav.open(options.wavPath, rate, 2))) {
        complain("cannot write " + options.wavPath);
        return exitFailure;
    }
    std::vector<int16_t> block(4096 * 2);
    while (const size_t frames = corvid_song_render_int16(song.get(), block.data(), block.size() / 2)) {
        wav.write(block.data(), frames);
        if (wav.failed() || platform::terminationRequested())
            break;
    }
    const uint64_t frames = wav.framesWritten();
    if (!wav.close()) {
        complain("writing " + options.wavPath + " failed");
        return exitFailure;
    }
    if (platform::terminationRequested())
        return exitInterrupted;
    if (!options.quiet)
        std::fprintf(stderr, "corvid-play: wrote %s (%.3f s)\n", toOutput ? "standard output" : options.wavPath.c_str(),
                     static_cast<double>(frames) / rate);
    return exitOk;
}

// ---- Playing to the sound card

using Output = corvidplay::SoundOutput<corvidplay::HeardMoment>;

corvidplay::HeardMoment momentOf(const corvid_song* song)
{
    corvidplay::HeardMoment moment;
    corvid_song_position(song, &moment.position);
    const int channels = corvid_song_channels(song);
    for (int channel = 0; channel < channels; ++channel) {
        corvid_channel_state state{};
        corvid_song_channel_state(song, channel, &state);
        moment.activity += corvidplay::activityMark(state);
    }
    return moment;
}

// Moves the song to the start of the order `step` away from `order`, the
// nearest in that direction that its first pass plays.
void moveByOrder(corvid_song* song, int order, int step)
{
    const int orders = corvid_song_orders(song);
    for (int target = order + step; target >= 0 && target < orders; target += step)
        if (corvid_song_seek_order_row(song, target, 0) == 1)
            return;
    if (step < 0)
        corvid_song_seek_order_row(song, 0, 0);
}

enum class PlayEnd { finished, failed, quit, interrupted };

PlayEnd playOne(corvid_song* song, Output& output, platform::ConsoleKeys& keys, bool showStatus)
{
    const int orders = corvid_song_orders(song);
    const double duration = corvid_song_duration(song);
    corvidplay::HeardMoment shown = momentOf(song);
    bool paused = false, ended = false;
    for (int pass = 0;; ++pass) {
        if (platform::terminationRequested())
            return PlayEnd::interrupted;
        if (output.lost()) {
            complain("the sound card went away");
            return PlayEnd::failed;
        }
        const corvidplay::Key key = corvidplay::lastKey(keys.typed());
        if (key == corvidplay::Key::quit)
            return PlayEnd::quit;
        if (key != corvidplay::Key::none) {
            // The song is ahead of the card by what is queued: go back to
            // what is heard, then act from there.
            const corvidplay::HeardMoment* heard = output.heard();
            const corvidplay::HeardMoment at = heard ? *heard : momentOf(song);
            output.discard();
            corvid_song_seek_seconds(song, at.position.seconds);
            if (key == corvidplay::Key::pause)
                paused = !paused;
            else
                moveByOrder(song, at.position.order, key == corvidplay::Key::forward ? 1 : -1);
            ended = false;
            shown = momentOf(song);
        }
        while (!paused && !ended) {
            int16_t* block = output.freeBlock();
            if (!block)
                break;
            const corvidplay::HeardMoment moment = momentOf(song);
            const size_t frames = corvid_song_render_int16(song, block, Output::blockFrames);
            ended = frames == 0;
            if (frames != 0 && !output.queue(frames, moment)) {
                complain("the sound card refuses the sound");
                return PlayEnd::failed;
            }
        }
        if (const corvidplay::HeardMoment* heard = output.heard())
            shown = *heard;
        else if (ended)
            return PlayEnd::finished;
        if (showStatus && pass % 5 == 0) {
            std::fprintf(stderr, "\r%s\x1b[K", corvidplay::statusLine(shown, orders, duration, paused).c_str());
            std::fflush(stderr);
        }
        output.waitMs(20);
    }
}

int play(const PlayOptions& options)
{
    const bool showStatus = !options.quiet && platform::errorIsConsole();
    const int rate = options.song.rate == 0 ? 44100 : options.song.rate;
    std::unique_ptr<Output> output;
    platform::ConsoleKeys keys;
    int result = exitOk;
    for (const std::string& path : options.modules) {
        // The module is read before the sound card is opened, so that a file
        // that cannot be played never holds the card.
        const SongPointer song = openSong(path, options);
        if (!song) {
            result = exitFailure;
            continue;
        }
        if (!output) {
            output = std::make_unique<Output>();
            bool silent = options.device == "silent";
            if (!silent && options.device.empty() && platform::waveOutDeviceCount() == 0) {
                if (!options.quiet)
                    complain("no sound card; playing in silence");
                silent = true;
            }
            if (const std::string error = output->open(rate, options.bufferMs, silent); !error.empty()) {
                complain(error);
                return exitFailure;
            }
        }
        if (!options.quiet)
            std::fprintf(stderr, "Playing %s: \"%s\" (%s, %d channels, %s)\n", path.c_str(),
                         corvid_song_title(song.get()), corvid_song_format(song.get()),
                         corvid_song_channels(song.get()),
                         corvidplay::formatSeconds(corvid_song_duration(song.get())).c_str());
        const PlayEnd end = playOne(song.get(), *output, keys, showStatus);
        if (showStatus)
            std::fprintf(stderr, "\n");
        if (end == PlayEnd::failed)
            return exitFailure;
        if (end == PlayEnd::interrupted)
            return exitInterrupted;
        if (end == PlayEnd::quit)
            return result;
    }
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    PlayOptions options;
    const std::string error = corvidplay::parseArguments(std::vector<std::string>(argv + 1, argv + argc), options);
    if (options.help) {
        std::fputs(corvidplay::usageText, stdout);
        return exitOk;
    }
    if (!error.empty()) {
        complain(error);
        std::fputs("Try 'corvid-play --help'.\n", stderr);
        return exitUsage;
    }
    platform::watchTerminationRequests();
    if (!options.wavPath.empty())
        return renderWav(options.modules.front(), options);
    if (!options.info && !options.trace)
        return play(options);
    int result = exitOk;
    for (const std::string& path : options.modules) {
        if (platform::terminationRequested())
            return exitInterrupted;
        if ((options.info ? describe(path, options) : trace(path, options)) != exitOk)
            result = exitFailure;
    }
    return result;
}
