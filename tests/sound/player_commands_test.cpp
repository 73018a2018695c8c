// The commands and the volume column, as the device sees them tick by tick.
// Linear frequencies: C-4 has period 4608 (8363 Hz), one semitone is 64.

#include <gtest/gtest.h>

#include "player_test_support.h"

namespace corvid::testing {
namespace {

constexpr uint8_t c4 = 49, c5 = 61;
constexpr int32_t c4Period = 4608;

auto period = [](const player::ChannelState& c) { return c.period; };
auto outputPeriod = [](const player::ChannelState& c) { return c.outputPeriod; };
auto volume = [](const player::ChannelState& c) { return c.volume; };
auto panning = [](const player::ChannelState& c) { return c.panning; };

// ---- Notes, instruments, key off

TEST(PlayerNotes, ANoteStartsItsSampleWithTheSampleSettings)
{
    XmModule song = channelSong({{0, {c4, 1}}});
    song.instruments[0].samples[0].volume = 32;
    song.instruments[0].samples[0].panning = 255;
    PlayerHarness h(song);
    h.startFirstRow();
    EXPECT_EQ(h.device(0).sample, 1u);
    EXPECT_EQ(h.device(0).starts, 1u);
    EXPECT_EQ(h.device(0).rate, 8363u);
    EXPECT_EQ(h.device(0).volume, 32u);
    EXPECT_EQ(h.device(0).panning, 63);  // (255 - 128) / 2
    EXPECT_EQ(h.channel(0).lastPlayedNote, 0x40);
}

TEST(PlayerNotes, AnInstrumentAloneResetsTheVolumeWithoutRestarting)
{
    PlayerHarness h(channelSong({{0, {c4, 1, 0x10 + 20}}, {1, {0, 1}}}));
    h.startFirstRow();
    EXPECT_EQ(h.device(0).volume, 20u);
    h.tick(6);
    EXPECT_EQ(h.device(0).volume, 64u);
    EXPECT_EQ(h.device(0).starts, 1u);
}

TEST(PlayerNotes, KeyOffWithoutEnvelopeSilencesAtOnceByNoteOrByEffect)
{
    for (const XmCell keyOff : {XmCell{97}, XmCell{0, 0, 0, 20, 0}}) {
        PlayerHarness h(channelSong({{0, {c4, 1}}, {1, keyOff}}));
        h.tick(12);
        EXPECT_EQ(h.device(0).volume, 0u);
        EXPECT_EQ(h.channel(0).keyOff, 1);
        EXPECT_EQ(h.device(0).stops, 0u);  // the device keeps playing, silently
    }
}

TEST(PlayerNotes, KeyOffWithEnvelopeFadesByTwiceTheFadeoutPerTick)
{
    XmModule song = channelSong({{0, {c4, 1}}, {1, {97}}});
    song.instruments[0].volumeEnvelope = {{{0, 64}, {10, 64}}, 1};
    song.instruments[0].fadeout = 4096;  // 8192 of 65536 per tick
    PlayerHarness h(song);
    h.startFirstRow();
    EXPECT_EQ(h.volumes(0, 5), (Volumes{64, 64, 64, 64, 64}));
    // Key off on the next row: 64 x fade / 65536.
    EXPECT_EQ(h.volumes(0, 9), (Volumes{56, 48, 40, 32, 24, 16, 8, 0, 0}));
}

TEST(PlayerNotes, AnInstrumentMissingFromTheFileStopsTheChannel)
{
    PlayerHarness h(channelSong({{0, {c4, 1}}, {1, {c5, 3}}}));
    h.tick(12);
    EXPECT_EQ(h.device(0).starts, 1u);
    EXPECT_EQ(h.device(0).stops, 1u);
    EXPECT_EQ(h.device(0).sample, 1u);
}

TEST(PlayerNotes, NoteDelayCutRetriggerAndMultiRetrigger)
{
    PlayerHarness delay(channelSong({{0, {c4, 1, 0, 14, 0xD3}}}));
    delay.tick(8);
    EXPECT_EQ(delay.device(0).starts, 0u);
    delay.tick();  // tick 3 of the row
    EXPECT_EQ(delay.device(0).starts, 1u);
    EXPECT_EQ(delay.device(0).rate, 8363u);

    PlayerHarness cut(channelSong({{0, {c4, 1, 0, 14, 0xC2}}}));
    cut.startFirstRow();
    EXPECT_EQ(cut.volumes(0, 3), (Volumes{64, 0, 0}));

    PlayerHarness retrigger(channelSong({{0, {c4, 1, 0, 14, 0x92}}}));
    retrigger.startFirstRow();
    std::vector<uint32_t> sets;
    for (int t = 0; t < 5; ++t) {
        retrigger.tick();
        sets.push_back(retrigger.device(0).positionSets);
    }
    EXPECT_EQ(sets, (Volumes{0, 1, 1, 2, 2}));  // on ticks 2 and 4

    PlayerHarness multi(channelSong({{0, {c4, 1, 0, 27, 0x12}}}));  // R12: every 2 ticks, volume - 1
    multi.startFirstRow();
    EXPECT_EQ(multi.trace(5, volume), (Values{64, 63, 63, 62, 62}));
    EXPECT_EQ(multi.device(0).positionSets, 2u);
}

TEST(PlayerNotes, SampleOffsetStartsInsideTheSample)
{
    PlayerHarness h(channelSong({{0, {c4, 1, 0, 9, 2}}, {1, {c4, 1, 0, 9, 0}}}));
    h.startFirstRow();
    EXPECT_EQ(h.device(0).lastPosition, 512);
    h.tick(6);  // 900 uses the remembered offset
    EXPECT_EQ(h.device(0).lastPosition, 512);
    EXPECT_EQ(h.device(0).positionSets, 2u);

    XmModule wide = channelSong({{0, {c4, 1, 0, 9, 1}}});
    wide.instruments[0].samples[0].sixteenBit = true;
    PlayerHarness h16(wide);
    h16.startFirstRow();
    EXPECT_EQ(h16.device(0).lastPosition, 512);  // 256 frames of 2 bytes
}

// ---- Volume

TEST(PlayerVolume, VolumeSlideRemembersItsArgument)
{
    PlayerHarness h(channelSong({{0, {c4, 1, 0x10 + 32, 10, 0x02}}, {1, {0, 0, 0, 10, 0}}, {2, {0, 0, 0, 10, 0x30}}}));
    h.startFirstRow();
    EXPECT_EQ(h.trace(6, volume), (Values{30, 28, 26, 24, 22, 22}));  // down 2 on ticks 1-5
    EXPECT_EQ(h.trace(6, volume), (Values{20, 18, 16, 14, 12, 12}));  // A00: the same
    EXPECT_EQ(h.trace(5, volume), (Values{15, 18, 21, 24, 27}));      // A30: up 3
}

TEST(PlayerVolume, SetAndFineVolumeTremoloAndTheVolumeColumn)
{
    PlayerHarness h(channelSong({{0, {c4, 1, 0, 12, 40}},     // C40
                                 {1, {0, 0, 0, 14, 0xA5}},    // EA5: +5 once
                                 {2, {0, 0, 0, 14, 0xB9}},    // EB9: -9 once
                                 {3, {0, 0, 0, 7, 0xFF}},     // tremolo: nothing
                                 {4, {0, 0, 0x60 + 3}},       // slide down 3 on ticks 1-5
                                 {5, {0, 0, 0x70 + 2}},       // slide up 2
                                 {6, {0, 0, 0x80 + 4}},       // fine down 4
                                 {7, {0, 0, 0x90 + 1}}}));    // fine up 1
    h.startFirstRow();
    EXPECT_EQ(h.channel(0).volume, 40);
    EXPECT_EQ(h.trace(6, volume), (Values{40, 40, 40, 40, 40, 45}));
    EXPECT_EQ(h.trace(6, volume), (Values{45, 45, 45, 45, 45, 36}));
    EXPECT_EQ(h.trace(6, volume), (Values{36, 36, 36, 36, 36, 36}));
    EXPECT_EQ(h.trace(6, volume), (Values{36, 36, 36, 36, 36, 36}));
    EXPECT_EQ(h.trace(6, volume), (Values{33, 30, 27, 24, 21, 21}));
    EXPECT_EQ(h.trace(6, volume), (Values{23, 25, 27, 29, 31, 27}));
    EXPECT_EQ(h.trace(6, volume), (Values{27, 27, 27, 27, 27, 28}));
}

TEST(PlayerVolume, GlobalMusicAndChannelVolumesScaleTheOutput)
{
    PlayerHarness h(channelSong({{0, {c4, 1, 0, 16, 0x20}}, {1, {0, 0, 0, 17, 0x02}}}));  // G20, then H02
    h.startFirstRow();
    EXPECT_EQ(h.device(0).volume, 32u);
    EXPECT_EQ(h.volumes(0, 6), (Volumes{32, 32, 32, 32, 32, 32}));
    EXPECT_EQ(h.instance->globalVolume, 32);
    EXPECT_EQ(h.volumes(0, 5), (Volumes{30, 28, 26, 24, 22}));
    ASSERT_EQ(player::setMusicVolume(*h.instance, 32), ErrorCode::ok);
    ASSERT_EQ(player::setChannelVolume(*h.instance, 0, 32), ErrorCode::ok);
    h.tick();
    EXPECT_EQ(h.device(0).volume, 6u);  // (64 x 22 x 32 x 32 + 0x3FFFF) >> 18
}

// ---- Pitch

TEST(PlayerPitch, PortamentoSlidesAndRemembersItsArgument)
{
    PlayerHarness h(channelSong({{0, {c4, 1, 0, 1, 2}}, {1, {0, 0, 0, 1, 0}}, {2, {0, 0, 0, 2, 1}}, {3, {0, 0, 0, 2, 0}}}));
    h.startFirstRow();
    EXPECT_EQ(h.channel(0).period, c4Period);
    EXPECT_EQ(h.trace(5, period), (Values{4600, 4592, 4584, 4576, 4568}));
    EXPECT_EQ(h.trace(6, period), (Values{4568, 4560, 4552, 4544, 4536, 4528}));  // 100: the same
    EXPECT_EQ(h.trace(6, period), (Values{4528, 4532, 4536, 4540, 4544, 4548}));
    EXPECT_EQ(h.trace(6, period), (Values{4548, 4552, 4556, 4560, 4564, 4568}));
}

TEST(PlayerPitch, FineAndExtraFinePortamentoOncePerRow)
{
    // On the note's own row the note start sets the period after the fine slide.
    PlayerHarness h(channelSong({{0, {c4, 1, 0, 14, 0x12}},   // E12 and a note: the note wins
                                 {1, {0, 0, 0, 14, 0x10}},    // E10: memory, -8
                                 {2, {0, 0, 0, 14, 0x23}},    // E23: +12
                                 {3, {0, 0, 0, 33, 0x15}},    // X15: -5
                                 {4, {0, 0, 0, 33, 0x10}},    // X10: memory, -5
                                 {5, {0, 0, 0, 33, 0x22}}}));  // X22: +2
    h.startFirstRow();
    std::vector<int32_t> periods = {h.channel(0).period};
    for (int row = 1; row < 6; ++row) {
        h.tick(6);
        periods.push_back(h.channel(0).period);
    }
    EXPECT_EQ(periods, (Values{4608, 4600, 4612, 4607, 4602, 4604}));
}

TEST(PlayerPitch, PeriodsStayInTheirRange)
{
    ChannelCells cells = {{0, {c4, 1, 0, 2, 0xFF}}};
    for (uint32_t row = 1; row < 16; ++row)
        cells.push_back({row, {0, 0, 0, 2, 0}});
    PlayerHarness h(channelSong(cells, 16));
    h.startFirstRow();
    h.tick(90);
    EXPECT_EQ(h.channel(0).period, 54784);
    EXPECT_EQ(h.device(0).rate, 0u);  // far below hearing
}

TEST(PlayerPitch, ArpeggioCyclesThroughThreeNotes)
{
    PlayerHarness h(channelSong({{0, {c4, 1, 0, 0, 0x47}}, {1, {}}}));
    h.startFirstRow();
    // Ticks 1-5: +4, +7, 0, +4, +7 semitones; the next row returns to the note.
    EXPECT_EQ(h.trace(6, outputPeriod), (Values{4352, 4160, 4608, 4352, 4160, 4608}));
    EXPECT_EQ(h.channel(0).period, c4Period);
}

TEST(PlayerPitch, VibratoFollowsTheSineTable)
{
    PlayerHarness h(channelSong({{0, {c4, 1, 0, 4, 0x48}}, {1, {0, 0, 0, 4, 0}}, {2, {}}}));
    h.startFirstRow();
    // speed 4, depth 8: sine[0, 4, 8, 12, 16] x 8 / 32 = 0, 24, 45, 58, 63.
    EXPECT_EQ(h.trace(5, outputPeriod), (Values{4608, 4632, 4653, 4666, 4671}));
    // 400 keeps speed and depth; positions 20..36: 58, 45, 24, 0, then 24 below (bit 5).
    EXPECT_EQ(h.trace(6, outputPeriod), (Values{4671, 4666, 4653, 4632, 4608, 4584}));
    h.tick(6);
    EXPECT_EQ(h.channel(0).outputPeriod, c4Period);  // without vibrato the row resets it
}

TEST(PlayerPitch, TonePortamentoSlidesWithoutRestarting)
{
    PlayerHarness h(channelSong({{0, {c4, 1}}, {1, {c5, 1, 0, 3, 0x10}}, {2, {0, 0, 0, 3, 0}}, {3, {c4, 1, 0, 3, 0xFF}}}));
    h.startFirstRow();
    h.tick(6);
    // C-5 is 768 below; 16 x 4 = 64 per tick.
    EXPECT_EQ(h.trace(6, period), (Values{4544, 4480, 4416, 4352, 4288, 4288}));
    EXPECT_EQ(h.channel(0).portaTarget, 3840);
    EXPECT_EQ(h.trace(6, period), (Values{4224, 4160, 4096, 4032, 3968, 3968}));  // 300: remembered speed
    EXPECT_EQ(h.trace(3, period), (Values{4608, 4608, 4608}));  // never past the target
    EXPECT_EQ(h.device(0).starts, 1u);
}

TEST(PlayerPitch, VolumeColumnVibratoAndPortamento)
{
    PlayerHarness h(channelSong({{0, {c4, 1, 0xA0 + 4}}, {1, {0, 0, 0xB0 + 8}}, {2, {c5, 1, 0xF0 + 1}}}));
    h.startFirstRow();
    h.tick(5);
    EXPECT_EQ(h.trace(3, outputPeriod), (Values{4608, 4608, 4632}));  // speed 4 from Ax, depth 8
    h.tick(3);
    EXPECT_EQ(h.trace(3, period), (Values{4608, 4544, 4480}));  // F1: speed 16
    EXPECT_EQ(h.device(0).starts, 1u);
}

// ---- Panning

TEST(PlayerPanning, SetFineSlideAndVolumeColumn)
{
    PlayerHarness h(channelSong({{0, {c4, 1, 0, 8, 0xC0}},    // 8C0
                                 {1, {0, 0, 0, 14, 0x87}},    // E87: 64
                                 {2, {0, 0, 0, 14, 0x8F}},    // E8F: 128
                                 {3, {0, 0, 0, 25, 0x20}},    // P20: +2 per tick
                                 {4, {0, 0, 0, 25, 0x03}},    // P03: -3
                                 {5, {0, 0, 0xC0 + 15}},      // 255
                                 {6, {0, 0, 0xD0 + 1}},       // -1 per tick
                                 {7, {0, 0, 0xE0 + 1}}},      // +1
                                16));
    h.startFirstRow();
    EXPECT_EQ(h.device(0).panning, 32);
    EXPECT_EQ(h.trace(6, panning), (Values{192, 192, 192, 192, 192, 64}));
    EXPECT_EQ(h.device(0).panning, -32);
    EXPECT_EQ(h.trace(6, panning), (Values{64, 64, 64, 64, 64, 128}));
    EXPECT_EQ(h.trace(6, panning), (Values{128, 128, 128, 128, 128, 128}));
    EXPECT_EQ(h.trace(6, panning), (Values{130, 132, 134, 136, 138, 138}));
    EXPECT_EQ(h.trace(6, panning), (Values{135, 132, 129, 126, 123, 255}));
    EXPECT_EQ(h.device(0).panning, 63);
    EXPECT_EQ(h.trace(6, panning), (Values{255, 255, 255, 255, 255, 255}));
    EXPECT_EQ(h.trace(6, panning), (Values{254, 253, 252, 251, 250, 250}));
    EXPECT_EQ(h.trace(5, panning), (Values{251, 252, 253, 254, 255}));
}

}  // namespace
}  // namespace corvid::testing
