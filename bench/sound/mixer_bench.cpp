// Mixer throughput: seconds of sound mixed per CPU second ("x_realtime"), for
// 32 playing channels of looped samples at assorted rates, 44100 Hz stereo
// 16-bit output, per routine family, unfiltered and with every channel
// through a resonant low-pass (the filter's own cost is the ratio of the
// two). Every pass mixes one player tick (882 frames) into a real output
// buffer that the benchmark then reads.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "sound/mixer/mixer.h"

namespace {

using namespace corvid;

constexpr uint32_t mixingRate = 44100;
constexpr uint32_t channelCount = 32;
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

void mixThirtyTwoChannels(benchmark::State& state, uint32_t formatBits, bool sixteenBit, bool filtered = false)
{
    Mixer mixer;
    platform::CpuInfo cpu;
    if (mixer.open(mixingRate, formatBits | mixStereo | mixOutput16Bit, cpu, MixerSettings{}) != ErrorCode::ok ||
        mixer.openChannels(channelCount) != ErrorCode::ok) {
        state.SkipWithError("mixer did not open");
        return;
    }
    std::mt19937 random(42);
    for (uint32_t channel = 0; channel < channelCount; ++channel) {
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
    std::vector<int16_t> output(framesPerTick * 2);
    for (auto _ : state) {
        mixer.mix(framesPerTick, output.data());
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.counters["x_realtime"] =
        benchmark::Counter(double(framesPerTick) / mixingRate, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK_CAPTURE(mixThirtyTwoChannels, integer_stereo_8bit, mixInteger, false);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, integer_stereo_16bit_mulaw, mixInteger, true);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, float_stereo_8bit, mixFloat, false);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, float_stereo_16bit, mixFloat, true);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, interpolating_stereo_8bit, mixInterpolating, false);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, interpolating_stereo_16bit, mixInterpolating, true);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, sinc_stereo_8bit, mixSinc, false);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, sinc_stereo_16bit, mixSinc, true);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, integer_stereo_8bit_filtered, mixInteger, false, true);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, integer_stereo_16bit_mulaw_filtered, mixInteger, true, true);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, float_stereo_8bit_filtered, mixFloat, false, true);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, float_stereo_16bit_filtered, mixFloat, true, true);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, interpolating_stereo_8bit_filtered, mixInterpolating, false, true);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, interpolating_stereo_16bit_filtered, mixInterpolating, true, true);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, sinc_stereo_8bit_filtered, mixSinc, false, true);
BENCHMARK_CAPTURE(mixThirtyTwoChannels, sinc_stereo_16bit_filtered, mixSinc, true, true);

}  // namespace

BENCHMARK_MAIN();
