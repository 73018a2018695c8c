// Song objects on the longest corpus module (or the module given):
// - open: loading plus the silent first pass that gives the duration, the
//   row starts and the seek snapshots; then the duration call itself;
// - seek: to 200 points spread over the song in a scrambled order, and to
//   the middle order's first row (mean and worst);
// - render speed through a song object beside the Music interface's own
//   path (the capture device ticked on a virtual clock), both mixing in
//   floating point at 44 100 Hz and asked for the same 10 ms of sound a
//   call: seconds of sound per wall second, and their ratio. The two run in
//   turns, each round in the other order, and the medians are compared: one
//   run of each on a busy machine says more about the machine than the paths;
// - memory per open song: the heap grown by ten songs open at once, over ten.
//   song_bench [MODULE]
// Without the corpus (<build>/corpus or SOLVANE_CORPUS_DIR) and no module
// given, it says so and ends.

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_devices.h"
#include "sound/include/corvid_song.h"

namespace {

using Seconds = std::chrono::duration<double>;
using SteadyClock = std::chrono::steady_clock;

struct SongCloser {
    void operator()(corvid_song* song) const { corvid_song_close(song); }
};
using SongPointer = std::unique_ptr<corvid_song, SongCloser>;

SongPointer openSong(const std::string& path)
{
    int error = 0;
    return SongPointer(corvid_song_open_file(path.c_str(), nullptr, &error));
}

template <typename Work>
double secondsOf(Work work)
{
    const auto start = SteadyClock::now();
    work();
    return Seconds(SteadyClock::now() - start).count();
}

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Processor time of this thread: both render paths run on the calling
// thread, and time spent waiting for other programs is not theirs.
template <typename Work>
double processorSecondsOf(Work work)
{
    const double start = threadSeconds();
    work();
    return threadSeconds() - start;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::filesystem::path corpusDirectory()
{
    if (const char* dir = std::getenv("SOLVANE_CORPUS_DIR"))
        return dir;
    return std::filesystem::current_path().parent_path() / "corpus";
}

// The corpus module with the longest first pass.
std::string longestCorpusModule()
{
    std::string longest;
    double longestSeconds = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpusDirectory(), error)) {
        if (!entry.is_regular_file())
            continue;
        const SongPointer song = openSong(entry.path().string());
        if (song && corvid_song_duration(song.get()) > longestSeconds) {
            longestSeconds = corvid_song_duration(song.get());
            longest = entry.path().string();
        }
    }
    return longest;
}

// The sound asked for by one call in both paths: the Music interface's poll
// below advances its clock by 10 ms.
constexpr size_t framesPerCall = 441;

double renderThroughSong(const std::string& path, double& soundSeconds)
{
    const SongPointer song = openSong(path);
    std::vector<int16_t> block(2 * framesPerCall);
    uint64_t frames = 0;
    const double wall = processorSecondsOf([&] {
        while (const size_t got = corvid_song_render_int16(song.get(), block.data(), framesPerCall))
            frames += got;
    });
    soundSeconds = static_cast<double>(frames) / 44100;
    return wall;
}

class DiscardingSink final : public corvid::SoundSink {
public:
    void writeSound(std::span<const int16_t>) override {}
};

// The Music interface's render: the capture device mixes as much as the
// virtual clock advances, 10 ms a poll, until the song wraps.
double renderThroughMusicInterface(const std::string& path, double& soundSeconds)
{
    platform::VirtualClock clock;
    DiscardingSink sink;
    MusicStartup();
    corvid::useCaptureDevice(clock, sink, corvid::CaptureMixing::floatingPoint);
    soundSeconds = 0;
    if (MusicInit() == 0)
        return 0;
    MusicModule* module = MusicLoadModule(path.c_str());
    const int handle = module ? MusicPlayModule(module, 0) : 0;
    double wall = 0;
    if (handle != 0) {
        MusicStatus status{};
        wall = processorSecondsOf([&] {
            while (MusicGetPlayStatus(handle, &status) != 0 && status.songLoopCount == 0) {
                clock.advanceTicks(platform::Clock::ticksPerSecond * framesPerCall / corvid::captureMixingRate);
                MusicPoll();
            }
        });
        soundSeconds = static_cast<double>(corvid::captureFramesMixed()) / corvid::captureMixingRate;
        MusicStopModule(handle);
    }
    if (module)
        MusicFreeModule(module);
    MusicClose();
    return wall;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string path = argc > 1 ? argv[1] : longestCorpusModule();
    if (path.empty()) {
        std::printf("song_bench: no corpus and no module given\n");
        return 0;
    }
    SongPointer song = openSong(path);
    if (!song) {
        std::printf("song_bench: cannot open %s\n", path.c_str());
        return 1;
    }
    const double duration = corvid_song_duration(song.get());
    std::printf("module: %s (%.1f s, %d channels, %d orders)\n", path.c_str(), duration,
                corvid_song_channels(song.get()), corvid_song_orders(song.get()));

    double open = 1e9;
    for (int i = 0; i < 5; ++i)
        open = std::min(open, secondsOf([&] { song = openSong(path); }));
    double durationCall = secondsOf([&] { corvid_song_duration(song.get()); });
    std::printf("open (load, silent first pass, snapshots): %.2f ms (best of 5)\n", open * 1e3);
    std::printf("duration after open:                       %.4f ms\n", durationCall * 1e3);

    constexpr int seeks = 200;
    double total = 0, worst = 0;
    for (int i = 0; i < seeks; ++i) {
        const double at = duration * ((i * 37) % seeks) / seeks;  // scrambled, forwards and back
        const double took = secondsOf([&] { corvid_song_seek_seconds(song.get(), at); });
        total += took;
        worst = std::max(worst, took);
    }
    std::printf("seek to a time:          mean %.3f ms, worst %.3f ms (%d seeks)\n", total / seeks * 1e3, worst * 1e3,
                seeks);
    const int middle = corvid_song_orders(song.get()) / 2;
    const double orderSeek = secondsOf([&] { corvid_song_seek_order_row(song.get(), middle, 0); });
    std::printf("seek to order %d, row 0: %.3f ms\n", middle, orderSeek * 1e3);

    // Rounds in turns, alternating which path goes first.
    constexpr int rounds = 7;
    std::vector<double> songSpeeds, musicSpeeds, ratios;
    double songSound = 0, musicSound = 0;
    for (int round = 0; round < rounds; ++round) {
        double songWall = 0, musicWall = 0;
        if (round % 2 == 0)
            songWall = renderThroughSong(path, songSound);
        musicWall = renderThroughMusicInterface(path, musicSound);
        if (round % 2 == 1)
            songWall = renderThroughSong(path, songSound);
        if (musicWall <= 0)
            break;
        songSpeeds.push_back(songSound / songWall);
        musicSpeeds.push_back(musicSound / musicWall);
        ratios.push_back(songSpeeds.back() / musicSpeeds.back());
    }
    if (ratios.empty()) {
        std::printf("render: the Music interface could not play the module\n");
    } else {
        std::printf("render, song object:     %.0f x real time (%.1f s of sound, median of %zu)\n",
                    median(songSpeeds), songSound, songSpeeds.size());
        std::printf("render, Music interface: %.0f x real time (%.1f s of sound, median of %zu)\n",
                    median(musicSpeeds), musicSound, musicSpeeds.size());
        std::printf("song object / Music interface: %.2f (median of the rounds' ratios; lowest %.2f, highest %.2f)\n",
                    median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                    *std::max_element(ratios.begin(), ratios.end()));
    }

    song.reset();
    constexpr int held = 10;
    const size_t before = mallinfo2().uordblks;
    std::vector<SongPointer> songs;
    for (int i = 0; i < held; ++i)
        songs.push_back(openSong(path));
    const size_t after = mallinfo2().uordblks;
    std::printf("memory per open song: %.1f KiB (file %.1f KiB)\n", static_cast<double>(after - before) / held / 1024,
                static_cast<double>(std::filesystem::file_size(path)) / 1024);
    return 0;
}
