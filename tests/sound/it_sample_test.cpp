// IT's samples in loading and playback, tick by tick: the sustain loop
// handed to the device before the sample's own loop and released by a key
// off (in sample mode as in instrument mode).

#include <gtest/gtest.h>

#include "damaged_files.h"
#include "it_writer.h"
#include "player_test_support.h"
#include "sound/loaders/it_loader.h"

namespace corvid::testing {
namespace {

constexpr uint8_t noteC5 = 60, itKeyOff = 255, itFade = 246;
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
    // 16-bit frames are two bytes each.
    ItFile wide = withSampleLoops(sampleData | 2 | sampleLoop | sampleSustain, 4, 6);
    wide.sampleData.resize(32);
    auto module = loadExpecting(loadIT, writeIt(wide));
    const SampleDescription& d = recorder().samples.at(0).description;
    EXPECT_EQ(std::pair(d.loop1.start, d.loop1.end), std::pair(8u, 12u));
    EXPECT_EQ(std::pair(d.loop2.start, d.loop2.end), std::pair(4u, 12u));
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

}  // namespace
}  // namespace corvid::testing
