// IT's samples in loading and playback, tick by tick: the sustain loop
// handed to the device before the sample's own loop and released by a key
// off (in sample mode as in instrument mode), and the sample's auto-vibrato.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

#include "damaged_files.h"
#include "it_writer.h"
#include "player_test_support.h"
#include "sound/loaders/it_loader.h"

namespace corvid::testing {
namespace {

constexpr uint8_t sampleData = 1, sampleLoop = 16, sampleSustain = 32, loopPingPong = 64, sustainPingPong = 128;

ItFile withSampleLoops(uint8_t flags, uint32_t sustainStart, uint32_t sustainEnd)
{
    ItFile f = channelRows({{noteAndSample, noteC5, 1}});
    f.sampleData.assign(16, 0x10);
    f.sampleFlags = flags;
    f.loopStart = 2, f.loopEnd = 6;
    f.sustainStart = sustainStart, f.sustainEnd = sustainEnd;
    return f;
}

TEST(ItSampleLoops, TheSustainLoopComesFirstAndTheSamplesLoopAfterTheRelease)
{
    struct Case {
        const char* name;
        ItFile file;
        LoopMode mode;
        SampleLoop first, second;
    };
    ItFile wide = withSampleLoops(sampleData | 2 | sampleLoop | sampleSustain, 4, 6);
    wide.sampleData.resize(32);
    const Case cases[] = {
        {"both forward", withSampleLoops(sampleData | sampleLoop | sampleSustain, 8, 12), LoopMode::twoLoopsLeftAtOnce,
         {8, 12, LoopType::forward}, {2, 6, LoopType::forward}},
        {"both ping-pong", withSampleLoops(sampleData | sampleLoop | sampleSustain | loopPingPong | sustainPingPong, 8, 12),
         LoopMode::twoLoopsLeftAtOnce, {8, 12, LoopType::pingPong}, {2, 6, LoopType::pingPong}},
        {"ping-pong sustain, forward loop", withSampleLoops(sampleData | sampleLoop | sampleSustain | sustainPingPong, 8, 12),
         LoopMode::twoLoopsLeftAtOnce, {8, 12, LoopType::pingPong}, {2, 6, LoopType::forward}},
        {"sustain alone: the end after release", withSampleLoops(sampleData | sampleSustain, 8, 20),
         LoopMode::twoLoopsLeftAtOnce, {8, 16, LoopType::forward}, {}},
        {"an empty sustain loop is none", withSampleLoops(sampleData | sampleLoop | sampleSustain, 12, 12), LoopMode::loop,
         {2, 6, LoopType::forward}, {}},
        {"a sustain loop past the end is none", withSampleLoops(sampleData | sampleSustain, 16, 30), LoopMode::none, {}, {}},
        {"the ping-pong bit alone loops nothing", withSampleLoops(sampleData | sustainPingPong, 8, 12), LoopMode::none, {}, {}},
        {"16-bit frames are two bytes each", wide, LoopMode::twoLoopsLeftAtOnce, {8, 12, LoopType::forward},
         {4, 12, LoopType::forward}},
    };
    for (const Case& c : cases) {
        auto module = loadExpecting(loadIT, writeIt(c.file));
        ASSERT_EQ(recorder().samples.size(), 1u) << c.name;
        const SampleDescription& d = recorder().samples[0].description;
        EXPECT_EQ(d.loopMode, c.mode) << c.name;
        EXPECT_EQ(std::tuple(d.loop1.start, d.loop1.end, d.loop1.type), std::tuple(c.first.start, c.first.end, c.first.type))
            << c.name;
        EXPECT_EQ(std::tuple(d.loop2.start, d.loop2.end, d.loop2.type),
                  std::tuple(c.second.start, c.second.end, c.second.type))
            << c.name;
    }
}

TEST(ItSampleLoops, AKeyOffReleasesTheNoteAndAFadeDoesNot)
{
    const uint32_t speed = 4;
    for (bool instruments : {true, false}) {
        // C-5, then a key off on row 2 (read on the first row's speed-th tick).
        ItFile f = channelRows({{noteAndSample, noteC5, 1}, {}, {noteOnly, itKeyOff}, {}});
        f.instruments = instruments;
        PlayerHarness h(writeIt(f));
        h.tick(3 * speed - 1);
        EXPECT_EQ(h.device(0).releases, 0u) << instruments;
        const uint32_t volume = h.device(0).volume;
        h.tick();
        EXPECT_EQ(h.device(0).releases, 1u) << instruments;
        if (!instruments) {
            // Sample mode has no fade-out: the released note plays on as it was.
            EXPECT_EQ(h.volumes(0, speed), std::vector<uint32_t>(speed, volume));
            EXPECT_TRUE(h.device(0).sounding);
        }
        EXPECT_EQ(h.device(0).starts, 1u);
    }
    // A fade note fades the note out without releasing it.
    ItFile f = channelRows({{noteAndSample, noteC5, 1}, {noteOnly, itFade}, {}});
    f.instruments = true;
    PlayerHarness h(writeIt(f));
    h.tick(3 * speed);
    EXPECT_GT(h.channel(0).fadeVolume, 0);
    EXPECT_LT(h.channel(0).fadeVolume, 65536);
    EXPECT_EQ(h.device(0).releases, 0u);
}

// A sample's C-5 speed is the rate its C-5 plays at, each octave up or down
// doubling or halving it: exactly, so that a sample made at the output rate
// is played there frame for frame.
TEST(ItSampleRate, ANotePlaysAtTheSamplesMiddleCRateMovedByItsDistanceFromC5)
{
    for (uint32_t middleC : {8363u, 10000u, 22050u, 33333u, 44100u}) {
        ItFile f = channelRows({{noteAndSample, noteC5, 1}, {noteOnly, noteC5 + 12}, {noteOnly, noteC5 - 24},
                                {noteOnly, noteC5 + 7}});
        f.middleC = middleC;
        PlayerHarness h(writeIt(f));
        std::vector<uint32_t> heard;
        for (int row = 0; row < 4; ++row) {
            h.tick(4);
            heard.push_back(h.device(0).rate);
        }
        const auto fifth = static_cast<uint32_t>(std::lround(middleC * std::exp2(7 / 12.0)));
        EXPECT_EQ(heard, (std::vector<uint32_t>{middleC, 2 * middleC, (middleC + 2) / 4, fifth})) << middleC;
    }
}

// A C-5 held for 32 rows (128 ticks) by a sample with the given
// auto-vibrato: speed, depth, rate, waveform as the file stores them.
ItFile vibratoSong(std::array<uint8_t, 4> vibrato, std::vector<std::vector<uint8_t>> rows = {{noteAndSample, noteC5, 1}})
{
    rows.resize(32);
    ItFile f = channelRows(rows);
    f.orders = {0, 255};
    f.sampleVibrato = vibrato;
    return f;
}

// The device's rate over the note's first `count` ticks, from the tick it starts on.
std::vector<double> rates(PlayerHarness& h, uint32_t count)
{
    std::vector<double> out;
    for (uint32_t i = 0; i < count; ++i) {
        h.tick();
        out.push_back(h.device(0).rate);
    }
    return out;
}

// Every tick the depth's 256ths grow by the rate (up to the depth), the
// position by the speed (256 a cycle); the pitch moves by the waveform's
// value (-64..64, upwards when positive) x the depth's whole steps / 64, in
// 768ths of an octave.
double expectedRate(double base, double value, int depth) { return base * std::exp2(value * depth / 64 / 768); }

TEST(ItSampleVibrato, TheDepthGrowsByTheRateUpToTheDepthKeyOffOrNot)
{
    // Square wave (up for the first half of the cycle), speed 4: 32 ticks
    // up, 32 down. Depth 8 at rate 64: a step every 4 ticks, full after 32.
    // A key off on row 4 changes nothing.
    PlayerHarness h(writeIt(vibratoSong({4, 8, 64, 2}, {{noteAndSample, noteC5, 1}, {}, {}, {}, {noteOnly, itKeyOff}})));
    h.tick(3);
    const std::vector<double> r = rates(h, 96);
    for (int tick = 0; tick < 96; ++tick) {
        const int depth = std::min((tick + 1) * 64 / 256, 8);
        const double up = ((tick + 1) * 4 % 256) < 128 ? 64 : -64;
        EXPECT_NEAR(r[tick], expectedRate(8363, up, depth), 1) << "tick " << tick;
    }
    // Without a rate there is no vibrato at all.
    PlayerHarness still(writeIt(vibratoSong({4, 8, 0, 2})));
    still.tick(3);
    EXPECT_EQ(rates(still, 40), std::vector<double>(40, 8363));
}

TEST(ItSampleVibrato, SineRampAndSquareSwingByTheirWavesAtFullDepth)
{
    // Depth 64 at rate 255 is whole after 65 ticks; from then on the pitch
    // swings by the wave's value itself.
    const auto sine = [](int position) { return std::round(64 * std::sin(2 * std::numbers::pi * position / 256)); };
    const auto ramp = [](int position) { return 64 - position / 2.0; };
    const auto square = [](int position) { return position < 128 ? 64.0 : -64.0; };
    struct Case {
        const char* name;
        uint8_t waveform;
        double (*value)(int);
        double tolerance;  // of the ratio: one step is 2^(1/768), the ramp's halves may round either way
    };
    const Case cases[] = {{"sine", 0, +sine, 0.0002}, {"ramp down", 1, +ramp, 0.001}, {"square", 2, +square, 0.0002}};
    for (bool linear : {true, false}) {
        for (const Case& c : cases) {
            std::vector<uint8_t> file = writeIt(vibratoSong({7, 64, 255, c.waveform}));
            if (!linear)
                file[0x2C] &= ~8;  // Amiga slides: the vibrato still moves the frequency by octaves
            PlayerHarness plain(writeIt(vibratoSong({7, 0, 0, 0})));
            plain.tick(4);
            const double base = plain.device(0).rate;
            PlayerHarness h(file);
            h.tick(3);
            const std::vector<double> r = rates(h, 128);
            for (int tick = 65; tick < 120; ++tick)
                EXPECT_NEAR(r[tick] / expectedRate(base, c.value((tick + 1) * 7 % 256), 64), 1, c.tolerance)
                    << c.name << (linear ? " linear" : " amiga") << " tick " << tick;
        }
    }
}

TEST(ItSampleVibrato, TheRandomWaveStaysWithinTheDepthAndRepeatsFromSongToSong)
{
    const std::vector<uint8_t> file = writeIt(vibratoSong({1, 16, 255, 3}));
    PlayerHarness first(file);
    first.tick(3);
    const std::vector<double> r = rates(first, 128);
    for (int tick = 17; tick < 120; ++tick) {
        EXPECT_GE(r[tick], std::floor(expectedRate(8363, -64, 16))) << tick;
        EXPECT_LE(r[tick], std::ceil(expectedRate(8363, 64, 16))) << tick;
    }
    EXPECT_GT(std::set<double>(r.begin() + 17, r.begin() + 120).size(), 16u) << "a new value every tick";
    PlayerHarness second(file);
    second.tick(3);
    EXPECT_EQ(rates(second, 128), r);
}

}  // namespace
}  // namespace corvid::testing
