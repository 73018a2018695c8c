// corvid-play: plays a module through the sound library's device stack with
// a one-line progress display, or renders it (to a WAV file, or as the row
// timeline) on a virtual clock through the capture device.
//
//   corvid-play [--device silent|wave|dsound] [--buffer MS] MODULE
//   corvid-play [--wav OUT.wav] [--trace] [--resampler nearest|linear|sinc] [--integer | --float] MODULE

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/capture.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_devices.h"

namespace {

constexpr const char* usage =
    "usage: corvid-play [options] MODULE\n"
    "Plays an XM, S3M, IT or MOD module through the sound card until the song\n"
    "ends or Ctrl-C.\n"
    "  --device silent|wave|dsound  output device (default: detect)\n"
    "  --buffer MS                  output buffer length in milliseconds\n"
    "  --wav OUT.wav                render to a WAV file (44100 Hz stereo 16-bit)\n"
    "                               instead of playing, as fast as it mixes\n"
    "  --trace                      render and print the row timeline:\n"
    "                               <seconds> <order> <row> <pattern>\n"
    "  --resampler nearest|linear|sinc\n"
    "                               how samples are resampled: the nearest frame\n"
    "                               (default), linear interpolation, or the\n"
    "                               band-limited eight-tap sinc filter\n"
    "  --interpolate                the same as --resampler linear\n"
    "  --integer | --float          nearest-frame arithmetic of a render (default float)\n"
    "  --help                       this text\n";

struct Options {
    std::string module;
    std::string device;  // empty: detect
    int bufferMs = 0;    // 0: the library's default
    std::string wavPath;
    bool trace = false;
    corvid::CaptureMixing mixing = corvid::CaptureMixing::floatingPoint;  // nearest frame
    std::string resampler = "nearest";
    bool render() const { return trace || !wavPath.empty(); }
};

constexpr int exitOk = 0, exitFailure = 1, exitUsage = 2;

// Fills `options`; false (with a message) on anything it cannot use.
bool parseArguments(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--device" && hasValue) {
            options.device = argv[++i];
            if (options.device != "silent" && options.device != "wave" && options.device != "dsound") {
                std::fprintf(stderr, "corvid-play: unknown device \"%s\"\n", options.device.c_str());
                return false;
            }
        } else if (argument == "--buffer" && hasValue) {
            char* end = nullptr;
            const long ms = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || ms < 15 || ms > 10000) {
                std::fprintf(stderr, "corvid-play: --buffer takes 15 to 10000 milliseconds\n");
                return false;
            }
            options.bufferMs = static_cast<int>(ms);
        } else if (argument == "--wav" && hasValue) {
            options.wavPath = argv[++i];
        } else if (argument == "--trace") {
            options.trace = true;
        } else if ((argument == "--resampler" && hasValue) || argument == "--interpolate") {
            options.resampler = argument == "--interpolate" ? "linear" : argv[++i];
            if (options.resampler != "nearest" && options.resampler != "linear" && options.resampler != "sinc") {
                std::fprintf(stderr, "corvid-play: unknown resampler \"%s\"\n", options.resampler.c_str());
                return false;
            }
        } else if (argument == "--integer") {
            options.mixing = corvid::CaptureMixing::integer;
        } else if (argument == "--float") {
            options.mixing = corvid::CaptureMixing::floatingPoint;
        } else if (argument.starts_with("--") || !options.module.empty()) {
            std::fprintf(stderr, "corvid-play: unexpected argument \"%s\"\n", argument.c_str());
            return false;
        } else {
            options.module = argument;
        }
    }
    if (options.module.empty()) {
        std::fprintf(stderr, "corvid-play: no module given\n");
        return false;
    }
    if (options.resampler != "nearest")
        options.mixing = options.resampler == "sinc" ? corvid::CaptureMixing::sinc : corvid::CaptureMixing::interpolating;
    return true;
}

int fail(const char* what)
{
    std::fprintf(stderr, "corvid-play: %s: %s\n", what, MusicGetErrorMessage(MusicGetLastError()));
    MusicClose();
    return exitFailure;
}

// ---- Rendering on a virtual clock

class WavSink final : public corvid::SoundSink {
public:
    explicit WavSink(platform::WavWriter* file) : file_(file) {}
    void writeSound(std::span<const int16_t> frames) override
    {
        if (file_)
            file_->write(frames.data(), frames.size() / 2);
    }

private:
    platform::WavWriter* file_;
};

// Prints one line per change of (order, row), timed by the frames mixed
// before the tick that read the row, up to the row the song wraps to.
struct Tracer {
    bool enabled = false;
    bool started = false;
    MusicStatus last{};

    static void onTick(void* context, int handle, bool rowStarted)
    {
        auto& tracer = *static_cast<Tracer*>(context);
        MusicStatus status{};
        if (!tracer.enabled || !rowStarted || MusicGetPlayStatus(handle, &status) == 0)
            return;
        if (tracer.started && status.position == tracer.last.position && status.row == tracer.last.row)
            return;
        tracer.enabled = status.songLoopCount == 0;
        tracer.started = true;
        tracer.last = status;
        const double seconds = static_cast<double>(corvid::captureFramesMixed()) / corvid::captureMixingRate;
        std::printf("%.6f %d %d %d\n", seconds, status.position, status.row, status.pattern);
    }
};

// Longest render: an hour of sound, for a song that never ends.
constexpr uint64_t maximumRenderSeconds = 3600;

int render(const Options& options)
{
    platform::VirtualClock clock;
    platform::WavWriter wav;
    if (!options.wavPath.empty() && !wav.open(options.wavPath, corvid::captureMixingRate, 2)) {
        std::fprintf(stderr, "corvid-play: cannot write %s\n", options.wavPath.c_str());
        return exitFailure;
    }
    WavSink sink(options.wavPath.empty() ? nullptr : &wav);
    Tracer tracer;
    tracer.enabled = options.trace;
    MusicStartup();
    corvid::useCaptureDevice(clock, sink, options.mixing);
    corvid::setTickListener(Tracer::onTick, &tracer);
    if (MusicInit() == 0)
        return fail("cannot open the capture device");
    MusicModule* module = MusicLoadModule(options.module.c_str());
    if (!module)
        return fail(("cannot load " + options.module).c_str());
    const int handle = MusicPlayModule(module, 0);
    if (handle == 0)
        return fail("cannot play the module");
    if (options.trace)
        std::printf("# %s, 44100 Hz, song played once\n", options.module.c_str());
    MusicStatus status{};
    const uint64_t step = platform::Clock::ticksPerSecond / 100;
    for (uint64_t elapsed = 0; elapsed < maximumRenderSeconds * platform::Clock::ticksPerSecond; elapsed += step) {
        clock.advanceTicks(step);
        MusicPoll();
        MusicGetPlayStatus(handle, &status);
        if (status.songLoopCount != 0)
            break;
    }
    MusicStopModule(handle);
    MusicFreeModule(module);
    if (MusicClose() == 0)
        return fail("closing");
    if (!options.wavPath.empty()) {
        const uint64_t frames = wav.framesWritten();
        if (!wav.close()) {
            std::fprintf(stderr, "corvid-play: writing %s failed\n", options.wavPath.c_str());
            return exitFailure;
        }
        std::fprintf(stderr, "corvid-play: wrote %s (%.3f s)\n", options.wavPath.c_str(),
                     static_cast<double>(frames) / corvid::captureMixingRate);
    }
    return exitOk;
}

// ---- Playing to the sound card

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) { interrupted = 1; }

void chooseDevice(const Options& options)
{
    if (options.resampler == "linear")
        MusicSetOption(MUSIC_OPTION_MIXING_MODE, 1);
    if (options.resampler == "sinc")
        MusicSetOption(MUSIC_OPTION_OUTPUT_MODE, MusicGetOption(MUSIC_OPTION_OUTPUT_MODE) | MUSIC_OUTPUT_SINC_MIXING);
    if (options.bufferMs != 0) {
        MusicSetOption(MUSIC_OPTION_BUFFER_LENGTH, options.bufferMs);
        MusicSetOption(MUSIC_OPTION_DIRECTSOUND_BUFFER_LENGTH, options.bufferMs);
    }
    if (options.device == "silent") {
        MusicSetOption(MUSIC_OPTION_FORCE_SILENCE, 1);
    } else if (options.device == "wave") {
        corvid::selectDevice(1);
    } else if (options.device == "dsound") {
        // The circular-buffer device wants to be asked for, with a window of
        // its own; the command line has none, so any non-zero handle will do.
        MusicSetOption(MUSIC_OPTION_DIRECTSOUND_USAGE, 3);
        MusicSetOption(MUSIC_OPTION_DIRECTSOUND_WINDOW, 1);
        corvid::selectDevice(0);
    }
}

int play(const Options& options)
{
    MusicStartup();
    chooseDevice(options);
    if (MusicInit() == 0) {
        if (!options.device.empty())
            return fail("cannot open the device");
        std::fprintf(stderr, "CORVID sound init error (no/busy hardware), sound output disabled...\n");
        MusicSetOption(MUSIC_OPTION_FORCE_SILENCE, 1);
        if (MusicInit() == 0)
            return fail("cannot open the silent device");
    }
    if (const corvid::SoundDevice* device = corvid::openDevice())
        std::fprintf(stderr, "corvid-play: playing through the %s\n", device->name);
    MusicModule* module = MusicLoadModule(options.module.c_str());
    if (!module)
        return fail(("cannot load " + options.module).c_str());
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    MusicStartBackgroundPlay(0);
    const int handle = MusicPlayModule(module, 0);
    if (handle == 0)
        return fail("cannot play the module");
    platform::RealClock clock;
    MusicStatus status{};
    const bool showProgress = isatty(fileno(stdout));
    uint64_t nextUpdate = 0;
    while (!interrupted) {
        clock.waitUntil(nextUpdate);
        nextUpdate += platform::Clock::ticksForMs(100);
        MusicGetPlayStatus(handle, &status);
        if (status.songLoopCount != 0)
            break;
        const uint64_t tenths = clock.counter() * 10 / platform::Clock::ticksPerSecond;
        if (showProgress) {
            std::printf("\rposition %3d  pattern %3d  row %3d  time %2llu:%02llu.%llu ", status.position, status.pattern,
                        status.row, static_cast<unsigned long long>(tenths / 600),
                        static_cast<unsigned long long>(tenths / 10 % 60), static_cast<unsigned long long>(tenths % 10));
            std::fflush(stdout);
        }
    }
    if (showProgress)
        std::printf("\n");
    MusicStopModule(handle);
    MusicStopBackgroundPlay();
    MusicFreeModule(module);
    if (MusicClose() == 0)
        return fail("closing");
    return exitOk;
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return exitOk;
        }
    Options options;
    if (!parseArguments(argc, argv, options)) {
        std::fputs(usage, stderr);
        return exitUsage;
    }
    return options.render() ? render(options) : play(options);
}
