// The band-limited family as a listener hears it: a looped sine stays a
// clean sine through every loop seam (forward and ping-pong, at steps
// below and above 1), a sample fades into silence at its end, a
// frequency the output rate cannot carry is held back instead of folding
// down into the audible range, and one it carries keeps its level as the
// step grows.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "mixer_test_support.h"

namespace corvid {
namespace {

using namespace corvid::testing;

// At this mixing rate a rate in Hz is the 16.16 step itself, so the tone's
// frequency is known exactly.
constexpr uint32_t exactRate = 65536;

// Everything in one side that is not a sine of `frequency` (cycles per
// frame), in dB relative to that sine, from a least-squares fit.
double residualDecibels(const std::vector<int16_t>& out, size_t first, size_t count, double frequency)
{
    double cc = 0, ss = 0, cs = 0, yc = 0, ys = 0;
    for (size_t n = 0; n < count; ++n) {
        const double w = 2 * std::numbers::pi * frequency * double(n);
        const double c = std::cos(w), s = std::sin(w), y = out[2 * (first + n)];
        cc += c * c, ss += s * s, cs += c * s, yc += y * c, ys += y * s;
    }
    const double determinant = cc * ss - cs * cs;
    const double a = (yc * ss - ys * cs) / determinant, b = (ys * cc - yc * cs) / determinant;
    double tone = 0, rest = 0;
    for (size_t n = 0; n < count; ++n) {
        const double w = 2 * std::numbers::pi * frequency * double(n);
        const double fit = a * std::cos(w) + b * std::sin(w);
        tone += fit * fit;
        rest += (out[2 * (first + n)] - fit) * (out[2 * (first + n)] - fit);
    }
    return 10 * std::log10(rest / tone);
}

std::vector<uint8_t> toneBytes(size_t frames, double period, double phase)
{
    std::vector<int16_t> values(frames);
    for (size_t i = 0; i < frames; ++i)
        values[i] = static_cast<int16_t>(std::lround(16000 * std::cos(2 * std::numbers::pi * (double(i) - phase) / period)));
    return bytesOf16(values);
}

struct Rendered {
    std::vector<int16_t> out;
    double frequency;  // of the tone, cycles per output frame
};

Rendered render(uint32_t format, const SampleDescription& sample, uint32_t rate, double period, uint32_t frames)
{
    Mixer mixer;
    openMixer(mixer, format | mixStereo, 1, exactRate);
    startSample(mixer, 0, sample, rate);
    return {mix16(mixer, frames), rate / 65536.0 / period};
}

// The left side's power over output frames 100..699, in dB relative to the
// full 16000 tone the samples hold.
double toneLevel(const Rendered& r)
{
    double sum = 0;
    for (size_t n = 100; n < 700; ++n)
        sum += double(r.out[2 * n]) * r.out[2 * n];
    return 10 * std::log10(sum / 600 / (16000.0 * 16000.0 / 2));
}

TEST(SincMixing, LoopedSineStaysCleanAcrossEverySeam)
{
    // A 16-frame cosine, 4 periods looped. A forward loop from frame 0 wraps
    // onto the data's first frame; one further in has different data before
    // it. The ping-pong loop turns at the cosine's crests (frames 32 and 64),
    // where mirroring continues it unchanged; the data goes on past the loop.
    const std::vector<uint8_t> whole = toneBytes(64, 16, 0);
    const std::vector<uint8_t> longer = toneBytes(96, 16, 0);
    struct Loop {
        const char* name;
        SampleDescription sample;
    };
    const Loop loops[] = {
        {"forward from the first frame", describe(whole, SampleType::pcm16Mono, LoopType::forward, 0, 128)},
        {"forward inside the data", describe(longer, SampleType::pcm16Mono, LoopType::forward, 64, 128)},
        {"ping-pong", describe(longer, SampleType::pcm16Mono, LoopType::pingPong, 64, 128)},
    };
    // Steps below 1, near it, and above it (where the cut-off is lowered);
    // every tone stays below half the output rate.
    for (uint32_t rate : {9000u, 65536u, 71234u, 123456u, 230000u}) {
        for (const Loop& loop : loops) {
            const Rendered r = render(mixSinc, loop.sample, rate, 16, 9000);
            // Past the first pass through the sample and the volume ramp.
            EXPECT_LT(residualDecibels(r.out, 1000, 8000, r.frequency), -60) << loop.name << " at rate " << rate;
        }
    }
    // The measure sees what linear interpolation leaves of the images.
    const Rendered linear = render(mixInterpolating, loops[0].sample, 65536 + 5678, 16, 9000);
    EXPECT_GT(residualDecibels(linear.out, 1000, 8000, linear.frequency), -50);
}

TEST(SincMixing, ShortLoopsRepeatSteadily)
{
    // A one-frame loop is a constant; a two-frame loop of a, -a played at
    // step 1 is a steady tone at half the rate (held back somewhat by the
    // filter): the taps see the loop repeated on both sides of each seam.
    const std::vector<uint8_t> one = bytesOf16({5, -7, 9000});
    const Rendered constant = render(mixSinc, describe(one, SampleType::pcm16Mono, LoopType::forward, 4, 6), 30000, 1, 400);
    for (size_t n = 100; n < 400; ++n)
        ASSERT_NEAR(constant.out[2 * n], 9000, 1) << "frame " << n;

    const std::vector<uint8_t> two = bytesOf16({3000, -3000});
    const Rendered alternating = render(mixSinc, describe(two, SampleType::pcm16Mono, LoopType::forward, 0, 4), 65536, 2, 400);
    const int16_t crest = alternating.out[2 * 100];
    EXPECT_GT(crest, 3000 / 2);
    for (size_t n = 100; n < 400; ++n)
        ASSERT_NEAR(alternating.out[2 * n], n % 2 == 0 ? crest : -crest, 1) << "frame " << n;
}

TEST(SincMixing, UnloopedSampleFadesIntoSilenceAtItsEnd)
{
    // 200 frames of a constant at step 1: the output holds it until the
    // taps reach past the end, falls towards silence over the last frames,
    // is silent from the end on, and the channel ends.
    const std::vector<uint8_t> flat = bytesOf16(std::vector<int16_t>(200, 12000));
    Mixer mixer;
    openMixer(mixer, mixSinc | mixStereo, 1, exactRate);
    startSample(mixer, 0, describe(flat, SampleType::pcm16Mono), 65536);
    const std::vector<int16_t> out = mix16(mixer, 300);
    for (size_t n = 40; n < 196; ++n)
        ASSERT_NEAR(out[2 * n], 12000, 1) << "frame " << n;
    EXPECT_LT(out[2 * 199], out[2 * 196] - 200);
    for (size_t n = 200; n < 300; ++n)
        ASSERT_EQ(out[2 * n], 0) << "frame " << n;
    EXPECT_EQ(mixer.channelRecord(0).state, ChannelState::stopped);
}

TEST(SincMixing, FrequenciesAboveTheOutputLimitAreHeldBack)
{
    // A tone at 0.35 cycles per sample frame, played at a step of 2.5,
    // would come out at 0.875 cycles per output frame: beyond half the
    // output rate, it could only fold down to 0.125. Without the filter it
    // comes through at full strength; the lowered cut-off holds it back
    // by over 20 dB, as far as eight taps can this close to the cut-off
    // (0.42 / 2.52 for the table that serves a step of 2.5).
    const std::vector<uint8_t> high = toneBytes(2000, 1 / 0.35, 0);
    const SampleDescription sample = describe(high, SampleType::pcm16Mono, LoopType::none);
    const uint32_t rate = exactRate * 5 / 2;
    EXPECT_GT(toneLevel(render(mixFloat, sample, rate, 1, 700)), -3);
    EXPECT_LT(toneLevel(render(mixSinc, sample, rate, 1, 700)), -20);
}

TEST(SincMixing, ToneLevelFollowsTheStepSmoothly)
{
    // A tone at a quarter of the output rate (11 kHz at 44.1 kHz) is well
    // inside what the output carries at any step. Each filter table serves
    // a band of steps and is cut for the band's largest; the bands are close
    // enough that a step a hair larger than another, past a band's edge,
    // loses next to nothing of the tone (bands from 1 to 1.5 lost 3 dB).
    const auto level = [](double step) {
        const double period = 4 * step;  // sample frames per cycle of the tone
        const std::vector<uint8_t> tone = toneBytes(3000, period, 0);
        const SampleDescription sample = describe(tone, SampleType::pcm16Mono, LoopType::none);
        return toneLevel(render(mixSinc, sample, static_cast<uint32_t>(std::lround(step * exactRate)), period, 700));
    };
    double previous = level(1.0);
    EXPECT_GT(previous, -1.5);
    for (double step = 1.02; step < 4; step *= 1.02) {
        const double here = level(step);
        EXPECT_GT(here, previous - 0.5) << "step " << step;
        previous = here;
    }
}

}  // namespace
}  // namespace corvid
