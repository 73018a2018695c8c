// Whole-mixer checks against independent models: a sine comes out at the
// right frequency and amplitude, loops keep the right position over many
// turns, the integer and float families agree, and no description or
// position makes a channel read outside its data.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>

#include "mixer_test_support.h"
#include "sound/mixer/mu_law.h"

namespace corvid {
namespace {

using namespace corvid::testing;

// Amplitude of the component at `frequency` (cycles per frame) in one side.
double amplitudeAt(const std::vector<int16_t>& out, int channels, int side, double frequency, size_t first, size_t count)
{
    double re = 0, im = 0;
    for (size_t n = 0; n < count; ++n) {
        const double v = out[(first + n) * channels + side];
        re += v * std::cos(2 * std::numbers::pi * frequency * double(n));
        im -= v * std::sin(2 * std::numbers::pi * frequency * double(n));
    }
    return 2 * std::hypot(re, im) / double(count);
}

double rms(const std::vector<int16_t>& out, int channels, int side, size_t first, size_t count)
{
    double sum = 0;
    for (size_t n = 0; n < count; ++n)
        sum += double(out[(first + n) * channels + side]) * out[(first + n) * channels + side];
    return std::sqrt(sum / double(count));
}

TEST(MixerPlayback, SineComesOutAtTheExpectedFrequencyAndAmplitude)
{
    // 4 periods of 64 frames, looped; played at 64 * 441 Hz it is a 441 Hz tone.
    std::vector<int16_t> sine(256);
    for (size_t i = 0; i < sine.size(); ++i)
        sine[i] = static_cast<int16_t>(std::lround(16000 * std::sin(2 * std::numbers::pi * double(i) / 64)));
    const std::vector<uint8_t> bytes = bytesOf16(sine);
    const SampleDescription sample = describe(bytes, SampleType::pcm16Mono, LoopType::forward, 0, 512);

    constexpr uint32_t formats[] = {mixInteger | mixStereo, mixFloat | mixStereo, mixInterpolating | mixStereo,
                                    mixFloat | mixMono, mixSinc | mixStereo, mixSinc | mixMono};
    for (uint32_t format : formats) {
        for (auto [volume, panning] : {std::pair{64u, 0}, {32u, -32}, {48u, 40}, {16u, 128}}) {
            Mixer mixer;
            openMixer(mixer, format, 1, 44100, {false, 0});
            startSample(mixer, 0, sample, 64 * 441, volume, panning);
            const std::vector<int16_t> out = mix16(mixer, 4400 + 100);
            const bool stereo = mixer.format().stereo;
            // Panning scales the far side by (64 - |p|) / 64; surround and mono keep both full.
            double left = volume / 64.0, right = left;
            if (stereo && panning != surroundPanning && panning < 0)
                right *= (panning + 64) / 64.0;
            if (stereo && panning != surroundPanning && panning > 0)
                left *= (64 - panning) / 64.0;
            const double sides[2] = {left, right};
            for (int side = 0; side < (stereo ? 2 : 1); ++side) {
                const double expected = 16000 * sides[side];
                const double found = amplitudeAt(out, stereo ? 2 : 1, side, 441.0 / 44100, 100, 4400);
                EXPECT_NEAR(found, expected, 16000 * 0.02 + 2) << "format " << format << " volume " << volume
                                                               << " panning " << panning << " side " << side;
                // All the energy is in that one tone.
                EXPECT_NEAR(rms(out, stereo ? 2 : 1, side, 100, 4400), expected / std::sqrt(2.0), 16000 * 0.02 + 2);
            }
            if (panning == surroundPanning && stereo) {
                EXPECT_EQ(out[2 * 200 + 1], -out[2 * 200]);
            }
        }
    }
}

TEST(MixerPlayback, EveryFamilyMixesEverySampleType)
{
    // Looped constant samples: left value a, right value b for stereo data.
    struct Case {
        SampleType type;
        std::vector<uint8_t> frame;  // one frame's bytes
        int a, b;                    // the values they stand for
    };
    auto bytes16 = [](int16_t left, int16_t right) { return bytesOf16({left, right}); };
    const uint8_t codeA = muLawEncode(12000), codeB = muLawEncode(-23000);
    const Case cases[] = {
        {SampleType::pcm8Mono, {200}, 72 * 256, 72 * 256},
        {SampleType::pcm8Stereo, {200, 60}, 72 * 256, -68 * 256},
        {SampleType::pcm16Mono, bytesOf16({12345}), 12345, 12345},
        {SampleType::pcm16Stereo, bytes16(12345, -23456), 12345, -23456},
        {SampleType::muLawMono, {codeA}, muLawDecode(codeA), muLawDecode(codeA)},
        {SampleType::muLawStereo, {codeA, codeB}, muLawDecode(codeA), muLawDecode(codeB)},
    };
    for (uint32_t format : everyFamily) {
        for (const Case& c : cases) {
            std::vector<uint8_t> data;
            for (int i = 0; i < 16; ++i)
                data.insert(data.end(), c.frame.begin(), c.frame.end());
            Mixer mixer;
            openMixer(mixer, format, 1, 44100, {false, 0});
            startSample(mixer, 0, describe(data, c.type, LoopType::forward, 0, static_cast<uint32_t>(data.size())), 30000);
            const std::vector<int16_t> out = mix16(mixer, 64);  // past the ramp of interpolating mode
            const std::string where = "format " + std::to_string(format) + " type " + std::to_string(int(c.type));
            if (mixer.format().stereo) {
                EXPECT_EQ(out[2 * 63], c.a) << where;
                EXPECT_EQ(out[2 * 63 + 1], c.b) << where;
            } else {
                EXPECT_NEAR(out[63], (c.a + c.b) / 2.0, 1) << where;  // stereo data: both sides at half gain
            }
        }
    }
}

// The loop walk as plain arithmetic on 16.16 positions: a forward loop is a
// remainder; a ping-pong loop runs through a period of twice its length,
// mirrored in the second half.
struct LoopModel {
    int64_t start, end;
    int64_t unfolded;  // distance travelled from the loop start

    int64_t position() const
    {
        const int64_t length = end - start;
        const int64_t w = unfolded % (2 * length);
        return w < length ? start + w : start + 2 * length - 1 - w;
    }
    int direction() const { return unfolded % (2 * (end - start)) < end - start ? 1 : -1; }
};

TEST(MixerPlayback, LoopsKeepTheRightPositionOverManyTurns)
{
    std::mt19937 random(99);
    const std::vector<uint8_t> data(3000, 128);
    for (int trial = 0; trial < 40; ++trial) {
        const uint32_t start = random() % 1000, end = start + 1 + random() % 1500;
        const bool pingPong = trial % 2 == 1;
        Mixer mixer;
        openMixer(mixer, trial % 4 < 2 ? mixFloat | mixStereo : mixSinc | mixStereo, 1);
        const uint32_t rate = 1000 + random() % 200000;
        startSample(mixer, 0, describe(data, SampleType::pcm8Mono, pingPong ? LoopType::pingPong : LoopType::forward, start, end),
                    rate);
        // Begin inside the loop so that the walk is a pure loop.
        const uint32_t offset = start + random() % (end - start);
        ASSERT_EQ(mixer.setPosition(0, offset), ErrorCode::ok);
        const uint32_t frames = 1 + random() % 50000;
        mix16(mixer, frames);

        const int64_t step = (int64_t{rate / 44100} << 16) | ((int64_t{rate % 44100} << 16) / 44100);
        const int64_t s = int64_t{start} << 16, e = int64_t{end} << 16;
        if (step >= e - s)
            continue;  // the wrap rule for steps beyond the loop length is its own case
        const MixChannel& c = mixer.channelRecord(0);
        const int64_t found = (int64_t{c.position} << 16) | c.fraction;
        const int64_t travelled = (int64_t{offset} << 16) - s + int64_t{frames} * step;
        if (pingPong) {
            const LoopModel model{s, e, travelled};
            EXPECT_EQ(found, model.position()) << "trial " << trial;
            EXPECT_EQ(c.direction, model.direction()) << "trial " << trial;
        } else {
            EXPECT_EQ(found, s + travelled % (e - s)) << "trial " << trial;
        }
    }
}

TEST(MixerPlayback, IntegerAndFloatFamiliesAgree)
{
    std::mt19937 random(7);
    std::vector<uint8_t> bytes8(5000);
    for (uint8_t& b : bytes8)
        b = static_cast<uint8_t>(random());
    std::vector<int16_t> values16(5000);
    for (int16_t& v : values16)
        v = static_cast<int16_t>(random());
    const std::vector<uint8_t> bytes16 = bytesOf16(values16);

    for (const SampleDescription& sample :
         {describe(bytes8, SampleType::pcm8Mono, LoopType::forward, 100, 5000),
          describe(bytes16, SampleType::pcm16Mono, LoopType::pingPong, 400, 10000),
          describe(bytes16, SampleType::pcm16Stereo, LoopType::forward, 0, 10000)}) {
        for (auto [channels, volume, panning] : {std::tuple{1u, 64u, 0}, {3u, 47u, -20}, {6u, 33u, 50}}) {
            Mixer integer, floating;
            openMixer(integer, mixInteger | mixStereo, channels, 44100, {false, 0});
            openMixer(floating, mixFloat | mixStereo, channels, 44100, {false, 0});
            for (Mixer* mixer : {&integer, &floating})
                startSample(*mixer, 0, sample, 31234, volume, panning);
            const std::vector<int16_t> a = mix16(integer, 3000), b = mix16(floating, 3000);
            // The integer tables have 33 volume steps: up to half a step (1/64) of
            // a channel's full scale apart, plus rounding.
            const double channelFullScale = 32768.0 * integer.amplification() / 64 / channels;
            for (size_t i = 0; i < a.size(); ++i)
                ASSERT_NEAR(a[i], b[i], channelFullScale / 64 + 3)
                    << "value " << i << " channels " << channels << " type " << static_cast<int>(sample.type);
        }
    }
}

TEST(MixerPlayback, NoDescriptionOrPositionReadsOutsideTheData)
{
    // Each sample lives in a heap block of exactly its size and is mixed in
    // place (no copy), so that the address sanitizer sees any stray read. The
    // mixer must take most of these descriptions, or the mixing is never reached.
    std::mt19937 random(2024);
    constexpr SampleType types[] = {SampleType::pcm8Mono,   SampleType::pcm16Mono,   SampleType::pcm8Stereo,
                                    SampleType::pcm16Stereo, SampleType::muLawMono, SampleType::muLawStereo};
    for (uint32_t format : {mixInteger | mixStereo, mixInteger | mixMono, mixFloat | mixStereo, mixFloat | mixMono,
                            mixInterpolating | mixStereo, mixInterpolating | mixMono | mixOutput8Bit, mixSinc | mixStereo,
                            mixSinc | mixMono}) {
        Mixer mixer;
        openMixer(mixer, format, 4, 44100, {true, 2});
        std::vector<std::unique_ptr<uint8_t[]>> blocks;
        int added = 0;
        for (int round = 0; round < 150; ++round) {
            const uint32_t bytes = random() % 5 == 0 ? random() % 4 : random() % 700;
            blocks.push_back(std::make_unique<uint8_t[]>(bytes));
            uint8_t* block = blocks.back().get();
            for (uint32_t i = 0; i < bytes; ++i)
                block[i] = static_cast<uint8_t>(random());
            SampleDescription d;
            d.data = block;
            d.dataPresent = random() % 8 != 0;
            d.type = types[random() % 6];
            d.length = bytes;
            d.loopMode = static_cast<LoopMode>(random() % 6);
            d.loop1 = {static_cast<uint32_t>(random() % 900), static_cast<uint32_t>(random() % 900),
                       static_cast<LoopType>(random() % 3)};
            d.loop2 = {static_cast<uint32_t>(random() % 900), static_cast<uint32_t>(random() % 900),
                       static_cast<LoopType>(random() % 3)};
            uint32_t handle = 0;
            if (mixer.addSample(d, false, handle) != ErrorCode::ok)
                continue;
            ++added;
            const uint32_t channel = random() % 4;
            ASSERT_EQ(mixer.setSample(channel, handle), ErrorCode::ok);
            mixer.setVolume(channel, random() % 65);
            mixer.setPanning(channel, static_cast<int32_t>(random() % 129) - 64);
            const uint32_t rates[] = {1, 8363, 44100, 200000, 3000000, 0xFFFFFFFF};
            mixer.playSound(channel, rates[random() % 6]);
            mixer.setPosition(channel, random() % 1000);
            if (random() % 3 == 0)
                mixer.releaseSound(channel);
            mix16(mixer, random() % 900);
        }
        EXPECT_GT(added, 75) << "format " << format;
    }
}

}  // namespace
}  // namespace corvid
