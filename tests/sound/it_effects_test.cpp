// IT's own forms of effects the other formats share, tick by tick (speed 4):
// retrigger with volume change, global volume and its slide, the high
// sample offset, surround, the fine pattern delay and the pattern loop's
// start after a finished loop; and what the old-effects flag changes.

#include <gtest/gtest.h>

#include "it_writer.h"
#include "player_test_support.h"

namespace corvid::testing {
namespace {

constexpr uint16_t oldEffects = 16, compatibleGxx = 32;
using Values = std::vector<int32_t>;

TEST(ItEffects, RetriggerCountsOnAcrossRowsAndChangesTheVolumeByItsTable)
{
    // Q93: every 3 ticks, +1. The note is the count's first trigger; Q00
    // repeats Q93 and the count carries on from the row before.
    ItFile f = channelRows({{noteSampleEffect, 60, 1, letterQ, 0x93}, {effectOnly, letterQ, 0x00}, {}});
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    EXPECT_EQ(h.device(0).volume, 48u);
    const uint32_t startsBefore = h.device(0).positionSets;
    EXPECT_EQ(h.volumes(0, 3), (std::vector<uint32_t>{48, 48, 49}));
    EXPECT_EQ(h.volumes(0, 4), (std::vector<uint32_t>{49, 49, 50, 50}));
    EXPECT_EQ(h.device(0).positionSets - startsBefore, 2u);
    // A row without Q stops it.
    EXPECT_EQ(h.volumes(0, 4), (std::vector<uint32_t>{50, 50, 50, 50}));
    EXPECT_EQ(h.device(0).positionSets - startsBefore, 2u);

    // Q61: every tick, x 2/3 (not 10/16); QE1: x 3/2 up to the ceiling;
    // Q71 halves.
    ItFile scaled = channelRows({{noteSampleEffect, 60, 1, letterQ, 0x61},
                                 {effectOnly, letterQ, 0xE1},
                                 {effectOnly, letterQ, 0x71}});
    PlayerHarness s(writeIt(scaled));
    s.startFirstRow();
    EXPECT_EQ(s.volumes(0, 3), (std::vector<uint32_t>{32, 21, 14}));
    EXPECT_EQ(s.volumes(0, 4), (std::vector<uint32_t>{21, 31, 46, 64}));
    EXPECT_EQ(s.volumes(0, 2), (std::vector<uint32_t>{32, 16}));
}

TEST(ItEffects, GlobalVolumeRunsOnItsWideScaleWithFineSlides)
{
    // V40: 64 of 128 halves the note; W02 down 2 a tick after the first;
    // WF4 down 4 once; W00 repeats WF4; W10 up 1 a tick; V81 stops at 128.
    ItFile f = channelRows({{noteSampleEffect, 60, 1, letterV, 0x40},
                            {effectOnly, letterW, 0x02},
                            {effectOnly, letterW, 0xF4},
                            {effectOnly, letterW, 0x00},
                            {effectOnly, letterW, 0x10},
                            {effectOnly, letterV, 0x81}});
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    EXPECT_EQ(h.instance->globalVolume, 64);
    EXPECT_EQ(h.device(0).volume, 24u);
    const auto globalVolumes = [&h](uint32_t count) {
        std::vector<uint32_t> out;
        for (uint32_t i = 0; i < count; ++i) {
            h.tick();
            out.push_back(h.instance->globalVolume);
        }
        return out;
    };
    EXPECT_EQ(globalVolumes(3), (std::vector<uint32_t>{64, 64, 64}));
    EXPECT_EQ(globalVolumes(4), (std::vector<uint32_t>{64, 62, 60, 58}));
    EXPECT_EQ(h.device(0).volume, 22u);  // 48 x 58 / 128, rounded up
    EXPECT_EQ(globalVolumes(4), (std::vector<uint32_t>{54, 54, 54, 54}));
    EXPECT_EQ(globalVolumes(4), (std::vector<uint32_t>{50, 50, 50, 50}));
    EXPECT_EQ(globalVolumes(4), (std::vector<uint32_t>{50, 51, 52, 53}));
    EXPECT_EQ(globalVolumes(1), (std::vector<uint32_t>{128}));
    EXPECT_EQ(h.device(0).volume, 48u);
}

TEST(ItEffects, HighOffsetAddsToLaterSampleOffsetsUntilChangedAndOnlyOldEffectsKeepOnePastTheEnd)
{
    // SA1 then O02 with a note: 1 x 65536 + 2 x 256 bytes in; SA0 takes it
    // back. Both lie past the 4-frame sample: IT's effects ignore them, the
    // old effects keep them.
    ItFile f = channelRows({{effectOnly, letterS, 0xA1},
                            {noteSampleEffect, 60, 1, letterO, 0x02},
                            {effectOnly, letterS, 0xA0},
                            {noteSampleEffect, 60, 1, letterO, 0x02}});
    f.extraFlags = oldEffects;
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    h.tick(4);
    EXPECT_EQ(h.device(0).lastPosition, 65536 + 512);
    h.tick(8);
    EXPECT_EQ(h.device(0).lastPosition, 512);

    f.extraFlags = 0;
    PlayerHarness it(writeIt(f));
    it.startFirstRow();
    it.tick(12);
    EXPECT_EQ(it.device(0).lastPosition, 0);
}

TEST(ItEffects, SurroundUntilAPanningIsSet)
{
    // S91 surround; S90 and X set a panning again.
    ItFile f = channelRows({{noteSampleEffect, 60, 1, letterS, 0x91},
                            {effectOnly, letterS, 0x90},
                            {effectOnly, letterS, 0x91},
                            {effectOnly, letterX, 0xFF}});
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    EXPECT_EQ(h.device(0).panning, 128);
    h.tick(4);
    EXPECT_EQ(h.device(0).panning, 0);
    h.tick(4);
    EXPECT_EQ(h.device(0).panning, 128);
    h.tick(4);
    EXPECT_EQ(h.device(0).panning, 63);

    // A channel whose header says surround (100) starts in it.
    ItFile header = channelRows({{noteAndSample, 60, 1}});
    header.panning[0] = 100;
    PlayerHarness s(writeIt(header));
    s.startFirstRow();
    EXPECT_EQ(s.device(0).panning, 128);
}

TEST(ItEffects, FinePatternDelayLengthensTheRowByItsTicks)
{
    // S62 on two channels: 4 + 2 + 2 ticks; the next row is back to 4.
    ItFile f = channelRows({{noteSampleEffect, 60, 1, letterS, 0x62}, {}, {}});
    f.pattern.insert(f.pattern.begin(), {0x82, effectOnly, letterS, 0x62});
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    const auto ticksInRow = [&h] {
        uint32_t ticks = 0;
        do {
            h.tick();
            ++ticks;
        } while (h.instance->tick != 0);
        return ticks;
    };
    EXPECT_EQ(ticksInRow(), 8u);
    EXPECT_EQ(ticksInRow(), 4u);
}

TEST(ItEffects, AFinishedPatternLoopStartsTheNextOneAfterItself)
{
    // SB0 at row 0, SB1 at rows 1 and 2: rows 0 1 0 1, then row 2 loops to
    // itself (the start moved past row 1), then row 3.
    ItFile f = channelRows({{effectOnly, letterS, 0xB0},
                            {effectOnly, letterS, 0xB1},
                            {effectOnly, letterS, 0xB1},
                            {}});
    PlayerHarness h(writeIt(f));
    EXPECT_EQ(nextRows(h, 7), (Rows{{0, 0}, {0, 1}, {0, 0}, {0, 1}, {0, 2}, {0, 2}, {0, 3}}));
}

// The period's offset from the note over each tick, row after row.
std::vector<Values> offsetsByRow(PlayerHarness& h, uint32_t rowCount)
{
    h.startFirstRow();
    const int32_t start = h.channel(0).period;
    std::vector<Values> rows(rowCount);
    for (uint32_t row = 0; row < rowCount; ++row) {
        rows[row].push_back(h.channel(0).outputPeriod - start);
        for (const int32_t period : h.trace(3, [](const player::ChannelState& c) { return c.outputPeriod; }))
            rows[row].push_back(period - start);
        h.tick();
    }
    return rows;
}

TEST(ItEffects, WithoutTheOldEffectsVibratoMovesTheRowsFirstTickToo)
{
    // H48 (speed 4 of the 64-step sine, depth 8), then H00, the volume
    // column's vibrato of depth 8 (byte 211), U48 (a quarter as deep), and
    // an empty row. With IT's effects every tick moves the pitch by the sine
    // at the position, then the position moves on, in 64ths of a period unit:
    // the sine's steps 0, 4, 8 ... are 0, 97, 180, 235, 255 (x 8 / 64), the
    // second half of the cycle downwards.
    ItFile f = channelRows({{noteSampleEffect, 60, 1, letterH, 0x48},
                            {effectOnly, letterH, 0x00},
                            {volumeOnly, 211},
                            {effectOnly, letterU, 0x48},
                            {}});
    PlayerHarness it(writeIt(f));
    EXPECT_EQ(offsetsByRow(it, 5), (std::vector<Values>{{0, 12, 22, 29},
                                                        {31, 29, 22, 12},
                                                        {0, -12, -22, -29},
                                                        {-7, -7, -5, -3},
                                                        {0, 0, 0, 0}}));

    // The old effects leave each row's first tick as the last one left it
    // (the note's own period on a new note) and go twice as deep; the
    // position moves on only on the ticks after the first.
    f.extraFlags = oldEffects;
    PlayerHarness old(writeIt(f));
    EXPECT_EQ(offsetsByRow(old, 5), (std::vector<Values>{{0, 0, 24, 45},
                                                         {45, 58, 63, 58},
                                                         {58, 45, 24, 0},
                                                         {0, -6, -11, -14},
                                                         {0, 0, 0, 0}}));
}

// Each row's pitch slide per tick after the first, in slide units (a
// negative one raises the pitch).
Values slidesByRow(PlayerHarness& h, uint32_t rowCount)
{
    h.startFirstRow();
    const int32_t unit = 1 << h.instance->periodShift;
    Values slides;
    for (uint32_t row = 0; row < rowCount; ++row) {
        const int32_t start = h.channel(0).period;
        h.tick(3);
        slides.push_back((h.channel(0).period - start) / 3 / unit);
        h.tick();
    }
    return slides;
}

TEST(ItEffects, WithoutCompatibleGxxTonePortamentoSharesTheMemoryOfPortaUpAndDown)
{
    // F08; a note an octave up under G00; G20; E00; the volume column's
    // tone portamento 4 (speed 16 from its table, 197); F00. Without the
    // flag G00 slides at F's 8, E00 at G's 32 and F00 at the column's 16;
    // with it G remembers its own speed (none yet), and E and F theirs.
    ItFile f = channelRows({{noteSampleEffect, 60, 1, letterF, 0x08},
                            {noteSampleEffect, 72, 1, letterG, 0x00},
                            {effectOnly, letterG, 0x20},
                            {effectOnly, letterE, 0x00},
                            {volumeOnly, 197},
                            {effectOnly, letterF, 0x00}});
    PlayerHarness shared(writeIt(f));
    EXPECT_EQ(slidesByRow(shared, 6), (Values{-8, -8, -32, 32, -16, -16}));

    f.extraFlags = compatibleGxx;
    PlayerHarness own(writeIt(f));
    EXPECT_EQ(slidesByRow(own, 6), (Values{-8, 0, -32, 8, -16, -8}));
}

}  // namespace
}  // namespace corvid::testing
