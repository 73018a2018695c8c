// Renders a module through the sound library's capture device with integer
// mixing on a virtual clock, and prints how many frames came out, a digest of
// every sample and how long the mixing took:
//
//   render_digest MODULE [SECONDS [RUNS]]
//   frames 1323000 digest 5e0d1c2b3a495867 seconds 0.412
//
// With several runs the time is the fastest run's: WebAssembly engines start
// on a quick compiler and move hot code to an optimizing one as it runs.
//
// Built natively and for WebAssembly (run under Node), so that the two
// builds can be shown to mix the same samples, and compared for speed.

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "platform/clock.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_devices.h"

namespace {

// FNV-1a over the samples as little-endian bytes.
class DigestSink final : public corvid::SoundSink {
public:
    void writeSound(std::span<const int16_t> frames) override
    {
        for (const int16_t sample : frames) {
            const auto value = static_cast<uint16_t>(sample);
            mix(static_cast<uint8_t>(value & 0xFF));
            mix(static_cast<uint8_t>(value >> 8));
        }
        samples_ += frames.size();
    }
    uint64_t digest() const { return digest_; }
    uint64_t frames() const { return samples_ / 2; }

private:
    void mix(uint8_t byte)
    {
        digest_ ^= byte;
        digest_ *= 0x100000001B3ull;
    }
    uint64_t digest_ = 0xCBF29CE484222325ull;
    uint64_t samples_ = 0;
};

struct Rendered {
    uint64_t frames = 0;
    uint64_t digest = 0;
    double seconds = 0;
};

// Plays the module once through (or for `limitSeconds` of sound); false with
// a message when the library refuses.
bool render(const char* fileName, double limitSeconds, Rendered& result)
{
    platform::VirtualClock clock;
    DigestSink sink;
    MusicStartup();
    corvid::useCaptureDevice(clock, sink, corvid::CaptureMixing::integer);
    MusicModule* module = nullptr;
    int handle = 0;
    if (MusicInit() == 0 || (module = MusicLoadModule(fileName)) == nullptr ||
        (handle = MusicPlayModule(module, 0)) == 0) {
        std::fprintf(stderr, "render_digest: %s: %s\n", fileName, MusicGetErrorMessage(MusicGetLastError()));
        return false;
    }
    const auto started = std::chrono::steady_clock::now();
    const uint64_t step = platform::Clock::ticksPerSecond / 100;
    const auto limit = static_cast<uint64_t>(limitSeconds * platform::Clock::ticksPerSecond);
    MusicStatus status{};
    for (uint64_t elapsed = 0; elapsed < limit && status.songLoopCount == 0; elapsed += step) {
        clock.advanceTicks(step);
        MusicPoll();
        MusicGetPlayStatus(handle, &status);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    MusicStopModule(handle);
    MusicFreeModule(module);
    MusicClose();
    result = {sink.frames(), sink.digest(), took.count()};
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: render_digest MODULE [SECONDS [RUNS]]\n");
        return 2;
    }
    const double limitSeconds = argc > 2 ? std::atof(argv[2]) : 600.0;
    const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 1;
    Rendered best;
    for (int run = 0; run < runs; ++run) {
        Rendered rendered;
        if (!render(argv[1], limitSeconds, rendered))
            return 1;
        if (run == 0 || rendered.seconds < best.seconds)
            best = rendered;
    }
    std::printf("frames %" PRIu64 " digest %016" PRIx64 " seconds %.3f\n", best.frames, best.digest, best.seconds);
    return 0;
}
