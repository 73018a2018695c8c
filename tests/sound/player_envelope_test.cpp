// Envelopes, auto-vibrato and the two frequency modes, as the device sees
// them tick by tick.

#include <gtest/gtest.h>

#include <cmath>

#include "player_test_support.h"
#include "sound/player/engine.h"

namespace corvid::testing {
namespace {

constexpr uint8_t c4 = 49;

XmModule noteThenKeyOff(const XmEnvelope& volumeEnvelope, uint32_t keyOffRow = 1)
{
    XmModule song = channelSong({{0, {c4, 1}}, {keyOffRow, {97}}}, 16);
    song.instruments[0].volumeEnvelope = volumeEnvelope;
    return song;
}

// The device volume on the note's row, then on each following tick.
TEST(PlayerEnvelope, VolumeEnvelopeShapes)
{
    struct Case {
        const char* name;
        XmEnvelope envelope;
        uint32_t keyOffRow;
        Volumes expected;
    };
    const Case cases[] = {
        {"interpolated between points, held at the last", {{{0, 0}, {4, 64}}}, 8, {0, 16, 32, 48, 64, 64}},
        // Points (0, 64), (2, 32), (4, 0), sustain at point 1; key off on the seventh tick.
        {"sustain holds until key off", {{{0, 64}, {2, 32}, {4, 0}}, 1}, 1, {64, 48, 32, 32, 32, 32, 32, 16, 0, 0}},
        {"a loop jumps back from its end", {{{0, 64}, {2, 0}}, -1, 0, 1}, 8, {64, 32, 64, 32, 64}},
        {"equal points do not divide by zero", {{{0, 64}, {0, 10}, {0, 30}}}, 8, {64, 64, 64, 64}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlayerHarness h(noteThenKeyOff(c.envelope, c.keyOffRow));
        h.startFirstRow();
        Volumes found = {h.device(0).volume};
        for (uint32_t v : h.volumes(0, static_cast<uint32_t>(c.expected.size()) - 1))
            found.push_back(v);
        EXPECT_EQ(found, c.expected);
    }
}

TEST(PlayerEnvelope, PanningEnvelopeSwingsAroundThePanning)
{
    const auto devicePanning = [](uint8_t samplePanning, uint16_t y) {
        XmModule song = channelSong({{0, {c4, 1}}}, 4);
        song.instruments[0].samples[0].panning = samplePanning;
        song.instruments[0].panningEnvelope = {{{0, y}}};
        PlayerHarness h(song);
        h.startFirstRow();
        return h.device(0).panning;
    };
    EXPECT_EQ(devicePanning(128, 32), 0);
    EXPECT_EQ(devicePanning(128, 0), -64);
    EXPECT_EQ(devicePanning(128, 64), 63);   // 256 limited to 255
    EXPECT_EQ(devicePanning(64, 48), -16);   // 64 + 64 x 16 / 32 = 96
    EXPECT_EQ(devicePanning(192, 16), 16);   // 192 - 16 x 64 / 32 = 160
}

XmModule autoVibratoSong(uint8_t type, uint8_t sweep)
{
    XmModule song = channelSong({{0, {c4, 1}}}, 4);
    song.instruments[0].vibrato = {type, sweep, 8, 64};
    return song;
}

auto devicePeriod = [](const player::ChannelState& c) { return c.devicePeriod; };

TEST(PlayerAutoVibrato, WaveAndSweep)
{
    struct Case {
        const char* name;
        uint8_t type, sweep;
        Values expected;  // on the note's row, then on each following tick
    };
    const Case cases[] = {
        // Positions 64, 128, 192, 0, 64: -64 below bit 7, +64 above; 64 x 2048 >> 14 = 8.
        {"square at full depth", 1, 0, {4600, 4616, 4616, 4600, 4600}},
        // Amplitude 512, 1024, 1536, 2048: offsets -2, +4, +6, -8.
        {"sweep raises the amplitude", 1, 4, {4606, 4612, 4614, 4600}},
        {"sine at 64", 0, 0, {4608 - 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlayerHarness h(autoVibratoSong(c.type, c.sweep));
        h.startFirstRow();
        Values found = {h.channel(0).devicePeriod};
        for (int32_t v : h.trace(static_cast<uint32_t>(c.expected.size()) - 1, devicePeriod))
            found.push_back(v);
        EXPECT_EQ(found, c.expected);
    }
    EXPECT_EQ(player::autoVibratoWave(3, 0x80), -64) << "64 does not fit in seven bits";
}

// The rate the device gets for a note with the sample's finetune and relative note.
uint32_t rateOf(bool linear, uint8_t note, int8_t finetune, int8_t relativeNote = 0)
{
    XmModule song = channelSong({{0, {note, 1}}}, 4);
    song.linearFrequencies = linear;
    song.instruments[0].samples[0].finetune = finetune;
    song.instruments[0].samples[0].relativeNote = relativeNote;
    PlayerHarness h(song);
    h.startFirstRow();
    return h.device(0).rate;
}

TEST(PlayerFrequency, LinearPeriods)
{
    EXPECT_EQ(rateOf(true, c4, 0), 8363u);        // 535232 >> 6
    EXPECT_EQ(rateOf(true, c4 + 12, 0), 16726u);
    EXPECT_EQ(rateOf(true, c4, 0, 12), 16726u);   // relative note
    EXPECT_EQ(rateOf(true, c4, 0, -48), 522u);    // note 0: period 7680
    EXPECT_NEAR(rateOf(true, c4, 127), 8363 * std::exp2(63.0 / 768), 2.0);  // finetune / 2 period units
    EXPECT_NEAR(rateOf(true, c4, -128), 8363 * std::exp2(-64.0 / 768), 2.0);
}

TEST(PlayerFrequency, AmigaPeriods)
{
    EXPECT_EQ(rateOf(false, c4, 0), 8363u);       // 856 x 32 >> 4 = 1712
    EXPECT_EQ(rateOf(false, c4 + 12, 0), 16726u);
    EXPECT_EQ(rateOf(false, c4, -128), 7892u);    // 907 x 32 >> 4 = 1814
    EXPECT_EQ(rateOf(false, c4, 8), 14317456u / ((850 * 8 + 856 * 8) * 2 >> 4));  // halfway to the next step
    // B-0 with finetune 127 interpolates towards the next octave's C (428):
    // (428 x 15 + 431) x 2 = 13702.
    EXPECT_EQ(rateOf(false, 12, 127), 14317456u / 13702);
}

TEST(PlayerFrequency, AZeroPeriodIsInvalid)
{
    Module module;
    uint32_t rate = 1;
    EXPECT_EQ(player::rateOfPeriod(module, nullptr, 0, rate), ErrorCode::invalidPatternData);
    module.flags = moduleLinearFrequencies;
    EXPECT_EQ(player::rateOfPeriod(module, nullptr, 54784, rate), ErrorCode::ok);
    EXPECT_EQ(rate, 0u);
}

}  // namespace
}  // namespace corvid::testing
