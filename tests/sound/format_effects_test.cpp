// Per-type playback, tick by tick: MOD periods, their range and rate, the
// slide and vibrato scale, and panning on the 0..128 scale. Expected values
// come from the Amiga period table (C-2 = 428, finetune steps of 1/8
// semitone) and the Amiga clock 3546895 / period.

#include <gtest/gtest.h>

#include "mod_writer.h"
#include "player_test_support.h"
#include "s3m_writer.h"
#include "sound/player/engine.h"

namespace corvid::testing {
namespace {

using Values = std::vector<int32_t>;
auto period = [](const player::ChannelState& c) { return c.period; };
auto outputPeriod = [](const player::ChannelState& c) { return c.outputPeriod; };

ModSong modChannelSong(const std::vector<std::pair<uint32_t, ModCell>>& cells)
{
    ModSong song = modWithOneSample();
    for (const auto& [row, cell] : cells)
        song.cell(0, row, 0) = cell;
    return song;
}

TEST(ModPlayback, NotesPlayAtTheAmigaClockOverTheFinetunedPeriod)
{
    // finetune 0, -1 (stored 15) and +1: C-2 at 428, 431 and 425.
    const std::pair<uint8_t, uint32_t> cases[] = {{0, 3546895 / 428}, {15, 3546895 / 431}, {1, 3546895 / 425}};
    for (const auto& [finetune, rate] : cases) {
        ModSong song = modChannelSong({{0, {428, 1}}});
        song.samples[0].finetune = finetune;
        PlayerHarness h(writeMod(song));
        h.startFirstRow();
        EXPECT_EQ(h.device(0).rate, rate) << int(finetune);
        EXPECT_EQ(h.device(0).starts, 1u);
    }
    // The finetuned periods of the table's other ends.
    EXPECT_EQ(player::modPeriodOfNote(0x3B, 0), 113);
    EXPECT_EQ(player::modPeriodOfNote(0x3B, 8), 120);  // B-3 at finetune -8: A#-3
    EXPECT_EQ(player::modPeriodOfNote(0x10, 7), 814);  // C-1 at finetune +7
}

TEST(ModPlayback, SlidesMoveThePeriodByTheArgumentWithinTheClassicRange)
{
    // 1xx: 2 per tick; 2xx clamps at 856; fine porta E1x moves once.
    PlayerHarness h(writeMod(modChannelSong({{0, {428, 1, 0x1, 2}}, {1, {0, 0, 0x2, 0xFF}}, {2, {0, 0, 0xE, 0x13}}})));
    h.startFirstRow();
    EXPECT_EQ(h.channel(0).period, 428);
    EXPECT_EQ(h.trace(5, period), (Values{426, 424, 422, 420, 418}));
    EXPECT_EQ(h.trace(6, period), (Values{418, 673, 856, 856, 856, 856}));
    EXPECT_EQ(h.trace(1, period), (Values{853}));
    // Porta up far past the top stops at 113.
    PlayerHarness up(writeMod(modChannelSong({{0, {120, 1, 0x1, 0xFF}}})));
    up.startFirstRow();
    EXPECT_EQ(up.trace(2, period), (Values{113, 113}));
}

TEST(ModPlayback, ExtendedOctavesWidenTheRange)
{
    // A note at 1712 (octave 0) marks the module: slides reach 28..1712.
    ModSong song = modChannelSong({{0, {1712, 1, 0x2, 0xFF}}});
    for (uint32_t row = 1; row < 8; ++row)
        song.cell(0, row, 0) = {0, 0, 0x1, 0xFF};
    PlayerHarness h(writeMod(song));
    h.startFirstRow();
    EXPECT_EQ(h.trace(1, period), (Values{1712}));
    h.tick(5 + 6 * 7);
    EXPECT_EQ(h.channel(0).period, 28);
}

TEST(ModPlayback, VibratoDepthIsInSixteenthsOfAPeriodUnit)
{
    // 484: speed 8, depth 4; offset = sine[position] x 4 / 128.
    PlayerHarness h(writeMod(modChannelSong({{0, {428, 1, 0x4, 0x84}}})));
    h.startFirstRow();
    EXPECT_EQ(h.trace(5, outputPeriod), (Values{428, 433, 435, 433, 428}));
    EXPECT_EQ(h.channel(0).period, 428);
}

TEST(ModPlayback, PanningUsesTheNarrowScaleAndSamplesDoNotMoveIt)
{
    ModSong song = modChannelSong({{0, {428, 1}}, {1, {0, 0, 0x8, 0x40}}, {2, {428, 1, 0xE, 0x8F}}, {3, {0, 0, 0x8, 0x80}}});
    song.cell(0, 0, 1) = {428, 1};
    PlayerHarness h(writeMod(song));
    h.startFirstRow();
    EXPECT_EQ(h.device(0).panning, -64);  // channel 0: 64 - 64
    EXPECT_EQ(h.device(1).panning, 64);   // channel 1: 64 + 64
    h.tick(6);
    EXPECT_EQ(h.device(0).panning, 0);    // 840: centre
    h.tick(6);
    EXPECT_EQ(h.channel(0).panning, 128); // E8F: 15 x 8 + 8; the new note kept it
    EXPECT_EQ(h.device(0).panning, 64);
    EXPECT_EQ(player::devicePanningOf(*h.instance, 164), 128);  // surround
}

TEST(ModPlayback, F20SetsSpeed32AndF21Tempo33)
{
    PlayerHarness h(writeMod(modChannelSong({{0, {0, 0, 0xF, 0x20}}, {1, {0, 0, 0xF, 0x21}}})));
    h.startFirstRow();
    EXPECT_EQ(h.instance->speed, 32u);
    h.tick(32);
    EXPECT_EQ(h.instance->tempo, 33u);
    h.tick();  // the device takes a MOD's new rate for the tick after the one that sets it
    EXPECT_EQ(recorder().updateRate, 33u * 40);
}

TEST(ModPlayback, APatternDelayKeepsTheStatusOnTheDelayedRow)
{
    // EE2 on pattern 0's last row holds the pattern for two more rows' time;
    // the status, like the tracker's row display, stays on that row until
    // pattern 1's first row is read.
    ModSong song = modChannelSong({{63, {0, 0, 0xE, 0xE2}}});
    song.songLength = 2;
    song.orders[1] = 1;
    song.cell(1, 0, 0) = {};
    PlayerHarness h(writeMod(song));
    nextRows(h, 63);
    EXPECT_EQ(nextRows(h, 5), (Rows{{0, 63}, {0, 63}, {0, 63}, {1, 0}, {1, 1}}));
}

// S3M: C-4 at middle-C rate 8363 has period 1712 and plays at
// 14317056 / 1712 Hz; slides move the period by 4 per unit.
using S3mCells = std::vector<std::pair<uint32_t, std::pair<uint8_t, S3mCell>>>;
auto volume = [](const player::ChannelState& c) { return c.volume; };

TEST(S3mPlayback, NotesPlayAtTheS3mClock)
{
    PlayerHarness h(writeS3m(s3mWithOneSample({{0, {0, {0x40, 1}}}})));
    h.startFirstRow();
    EXPECT_EQ(h.channel(0).period, 1712);
    EXPECT_EQ(h.device(0).rate, 14317056u / 1712);
    EXPECT_EQ(h.instance->maximumVolume, 63u);
    EXPECT_EQ(h.channel(0).volume, 63);  // sample volume 64, held to 63
}

TEST(S3mPlayback, VolumeSlidesAndTheirFineFormsFromOneArgument)
{
    // D04 down 4 per tick after the first; D00 repeats it; D30 up 3; DF2 down
    // 2 once; D2F up 2 once (speed 6: 5 slide ticks per row).
    PlayerHarness h(writeS3m(s3mWithOneSample({{0, {0, {0x40, 1, 60, 4, 0x04}}},
                                               {1, {0, {255, 0, -1, 4, 0x00}}},
                                               {2, {0, {255, 0, -1, 4, 0x30}}},
                                               {3, {0, {255, 0, -1, 4, 0xF2}}},
                                               {4, {0, {255, 0, -1, 4, 0x2F}}}})));
    h.startFirstRow();
    EXPECT_EQ(h.channel(0).volume, 60);
    EXPECT_EQ(h.trace(6, volume), (Values{56, 52, 48, 44, 40, 40}));
    EXPECT_EQ(h.trace(6, volume), (Values{36, 32, 28, 24, 20, 20}));
    EXPECT_EQ(h.trace(6, volume), (Values{23, 26, 29, 32, 35, 33}));
    EXPECT_EQ(h.trace(6, volume), (Values{33, 33, 33, 33, 33, 35}));
}

TEST(S3mPlayback, PortaAndItsFineFormsShareOneMemory)
{
    // E02: +8 per tick; F00: up by the same 8; FF1: up 4 once; FE3: up 3 once.
    PlayerHarness h(writeS3m(s3mWithOneSample({{0, {0, {0x40, 1, -1, 5, 0x02}}},
                                               {1, {0, {255, 0, -1, 6, 0x00}}},
                                               {2, {0, {255, 0, -1, 6, 0xF1}}},
                                               {3, {0, {255, 0, -1, 6, 0xE3}}}})));
    h.startFirstRow();
    EXPECT_EQ(h.trace(6, period), (Values{1720, 1728, 1736, 1744, 1752, 1752}));
    EXPECT_EQ(h.trace(6, period), (Values{1744, 1736, 1728, 1720, 1712, 1708}));
    EXPECT_EQ(h.trace(6, period), (Values{1708, 1708, 1708, 1708, 1708, 1705}));
}

TEST(S3mPlayback, APatternDelayKeepsTheStatusOnTheDelayedRow)
{
    // SE1 on row 1: the row lasts two rows' time and shows as row 1 throughout.
    PlayerHarness h(writeS3m(s3mWithOneSample({{1, {0, {255, 0, -1, 19, 0xE1}}}})));
    EXPECT_EQ(nextRows(h, 4), (Rows{{0, 0}, {0, 1}, {0, 1}, {0, 2}}));
}

TEST(S3mPlayback, AmigaLimitsHoldPeriodsTo452Through3424)
{
    S3mSong song = s3mWithOneSample({{0, {0, {0x20, 1, -1, 5, 0xFF}}}});
    song.flags = 16;
    PlayerHarness h(writeS3m(song));
    h.startFirstRow();
    EXPECT_EQ(h.channel(0).period, 3424);  // C-2 would be 6848
    h.tick(2);
    EXPECT_EQ(h.channel(0).period, 3424);
}

}  // namespace
}  // namespace corvid::testing
