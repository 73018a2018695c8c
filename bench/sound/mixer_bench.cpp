// Mixer throughput: seconds of sound mixed per processor second of the
// mixing thread ("x_realtime"), for 32 playing channels of looped samples at
// assorted rates, 44100 Hz stereo 16-bit output, per routine family: plain;
// with every channel through a resonant low-pass; and with a quarter of the sounds moved to background
// channels (a module's notes playing on after a new note, half of them
// fading a step every tick). Each variant but the plain one also prints
// "vs_plain": its speed over the plain mixer's, timed in alternation with
// it (16 ticks each) so that both see the same machine load. Every tick
// mixes 882 frames into a real output buffer that the benchmark then reads.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "sound/mixer/mixer.h"

namespace {

using namespace corvid;

constexpr uint32_t mixingRate = 44100;
constexpr uint32_t channelCount = 32;
constexpr uint32_t backgroundVoices = channelCount / 4;
constexpr uint32_t framesPerTick = 882;

// A looped sample of a few thousand frames: a decaying mixture of partials,
// like an instrument, in 8- or 16-bit form.
std::vector<uint8_t> makeSample(std::mt19937& random, bool sixteenBit, uint32_t frames)
{
    std::vector<uint8_t> bytes(frames * (sixteenBit ? 2 : 1));
    const double partial = 0.01 + (random() % 100) * 0.001;
    for (uint32_t i = 0; i < frames; ++i) {
        const double v = 0.6 * std::sin(i * partial) + 0.3 * std::sin(i * partial * 3.01);
        if (sixteenBit) {
            const auto s = static_cast<int16_t>(v * 30000);
            std::memcpy(&bytes[2 * i], &s, 2);
        } else {
            bytes[i] = static_cast<uint8_t>(128 + v * 120);
        }
    }
    return bytes;
}

enum class Variant { plain, filtered, background };

// Starts one looped sound on `channel` at a random volume, panning and rate.
void startSound(Mixer& mixer, std::mt19937& random, bool sixteenBit, uint32_t channel, bool filtered)
{
    const uint32_t frames = 2000 + random() % 20000;
    const std::vector<uint8_t> bytes = makeSample(random, sixteenBit, frames);
    SampleDescription sample;
    sample.data = bytes.data();
    sample.dataPresent = 1;
    sample.type = sixteenBit ? SampleType::pcm16Mono : SampleType::pcm8Mono;
    sample.length = static_cast<uint32_t>(bytes.size());
    sample.loopMode = LoopMode::loop;
    const uint32_t shift = sixteenBit ? 1 : 0;
    sample.loop1 = {(frames / 4) << shift, frames << shift, channel % 5 == 4 ? LoopType::pingPong : LoopType::forward};
    uint32_t handle = 0;
    mixer.addSample(sample, true, handle);
    mixer.setSample(channel, handle);
    mixer.setVolume(channel, 20 + random() % 45);
    mixer.setPanning(channel, static_cast<int32_t>(random() % 129) - 64);
    // Notes from about two octaves below to one above the mixing rate's pitch.
    mixer.playSound(channel, 8000 + random() % 80000);
    if (filtered)
        mixer.setFilter(channel, true, (20 + random() % 100) * filterCutoffFraction, random() % 128);
}

// A mixer with 32 sounds playing as the variant asks; nullptr if it did not open.
std::unique_ptr<Mixer> openMixer(uint32_t formatBits, bool sixteenBit, Variant variant)
{
    auto mixer = std::make_unique<Mixer>();
    platform::CpuInfo cpu;
    const uint32_t poolSize = variant == Variant::background ? backgroundVoices : 0;
    if (mixer->open(mixingRate, formatBits | mixStereo | mixOutput16Bit, cpu, MixerSettings{}) != ErrorCode::ok ||
        mixer->openChannels(channelCount - poolSize, poolSize) != ErrorCode::ok)
        return nullptr;
    std::mt19937 random(42);
    const uint32_t moduleChannels = channelCount - poolSize;
    // The background sounds start on module channels and move to the pool,
    // as a replaced note does; the module channels then take notes of their own.
    for (uint32_t voice = 0; voice < poolSize; ++voice) {
        startSound(*mixer, random, sixteenBit, voice, false);
        mixer->moveSound(voice, moduleChannels + voice);
    }
    for (uint32_t channel = 0; channel < moduleChannels; ++channel)
        startSound(*mixer, random, sixteenBit, channel, variant == Variant::filtered);
    return mixer;
}

// Half the background voices fade a step a tick (starting over when silent,
// so that they keep sounding), as notes on a fading new-note action do.
void fadeBackgroundVoices(Mixer& mixer, uint32_t tick)
{
    const uint32_t moduleChannels = channelCount - backgroundVoices;
    for (uint32_t voice = 0; voice < backgroundVoices; voice += 2)
        mixer.setVolume(moduleChannels + voice, 64 - (tick + voice) % 64);
}

// Processor time of this thread: time the machine spends on other programs
// is not the mixer's.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Ticks timed together: reading the thread's clock around every tick would
// cost the fastest families a tenth of their time.
constexpr uint32_t ticksPerTiming = 16;

double secondsToMix(Mixer& mixer, int16_t* output, uint32_t& tick, bool fades)
{
    const double start = threadSeconds();
    for (uint32_t i = 0; i < ticksPerTiming; ++i, ++tick) {
        if (fades)
            fadeBackgroundVoices(mixer, tick);
        mixer.mix(framesPerTick, output);
        benchmark::DoNotOptimize(output);
        benchmark::ClobberMemory();
    }
    return threadSeconds() - start;
}

void mixThirtyTwoChannels(benchmark::State& state, uint32_t formatBits, bool sixteenBit, Variant variant)
{
    const std::unique_ptr<Mixer> mixer = openMixer(formatBits, sixteenBit, variant);
    const std::unique_ptr<Mixer> plain =
        variant == Variant::plain ? nullptr : openMixer(formatBits, sixteenBit, Variant::plain);
    if (!mixer || (variant != Variant::plain && !plain)) {
        state.SkipWithError("mixer did not open");
        return;
    }
    std::vector<int16_t> output(framesPerTick * 2);
    double seconds = 0, plainSeconds = 0;
    uint32_t tick = 0, plainTick = 0;
    for (auto _ : state) {
        const double iterationSeconds = secondsToMix(*mixer, output.data(), tick, variant == Variant::background);
        seconds += iterationSeconds;
        state.SetIterationTime(iterationSeconds);
        if (plain)
            plainSeconds += secondsToMix(*plain, output.data(), plainTick, false);
    }
    const double mixedSeconds = static_cast<double>(state.iterations()) * ticksPerTiming * framesPerTick / mixingRate;
    state.counters["x_realtime"] = mixedSeconds / seconds;
    if (plain)
        state.counters["vs_plain"] = plainSeconds / seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    struct Family {
        const char* name;
        uint32_t formatBits;
        bool sixteenBit;
    };
    const Family families[] = {
        {"integer_stereo_8bit", mixInteger, false},
        {"integer_stereo_16bit_mulaw", mixInteger, true},
        {"float_stereo_8bit", mixFloat, false},
        {"float_stereo_16bit", mixFloat, true},
        {"interpolating_stereo_8bit", mixInterpolating, false},
        {"interpolating_stereo_16bit", mixInterpolating, true},
        {"sinc_stereo_8bit", mixSinc, false},
        {"sinc_stereo_16bit", mixSinc, true},
    };
    const std::pair<Variant, const char*> variants[] = {
        {Variant::plain, ""}, {Variant::filtered, "_filtered"}, {Variant::background, "_background"}};
    for (const auto& [variant, suffix] : variants)
        for (const Family& family : families)
            benchmark::RegisterBenchmark((std::string("mixThirtyTwoChannels/") + family.name + suffix).c_str(),
                                         mixThirtyTwoChannels, family.formatBits, family.sixteenBit, variant)
                ->UseManualTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
