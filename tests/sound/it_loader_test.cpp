// The IT loader: header, orders and channels, pattern entries with their
// memory and the volume column, samples (plain and compressed) and the
// instrument keyboard and envelopes, and damaged files; and IT playback,
// tick by tick: the volume chain, channel volume, panning slides, tremor,
// panbrello and the volume column's slides.

#include <gtest/gtest.h>

#include <cstring>

#include "damaged_files.h"
#include "it_writer.h"
#include "packed_rows.h"
#include "player_test_support.h"
#include "sound/loaders/it_loader.h"
#include "sound/loaders/it_sample_decompress.h"

namespace corvid::testing {
namespace {

// Rows: channel 0 (mask 0x8F: note, instrument, volume, command) C-5 with
// sample 1, volume byte 70 (fine up 5), C10 (row 16, plain);
// row 1: channel 2 reuses its mask 0x0F... (mask 0x10 + 0x20: last note and instrument);
// row 2: note off on channel 1, V80; row 3: note cut on channel 1, T05.
ItFile standardFile()
{
    ItFile f;
    f.pattern = {0x81, 0x0F, 60, 1, 70, 3, 0x10, 0,
                 0x81, 0x30, 0,
                 0x82, 0x09, 255, 22, 0x80, 0,
                 0x82, 0x09, 254, 20, 0x05, 0};
    return f;
}

TEST(ItLoader, HeaderOrdersPatternsAndSamples)
{
    auto module = loadExpecting(loadIT, writeIt(standardFile()));
    EXPECT_EQ(module->name, "it test song");
    EXPECT_EQ(module->type, ModuleType::it);
    EXPECT_EQ(module->channelCount, 2);
    EXPECT_EQ(module->orders, (std::vector<uint16_t>{0, orderSkip, 0}));
    EXPECT_EQ(module->initialSpeed, 4);
    EXPECT_EQ(module->initialTempo, 140);
    EXPECT_EQ(module->flags & moduleLinearFrequencies, moduleLinearFrequencies);
    EXPECT_EQ(module->channelPanning[0], 128);  // 32 of 0..64
    const Pattern& p = module->patterns[0];
    ASSERT_EQ(p.rowCount, 4u);
    const auto row0 = rowEntries(p, 0);
    ASSERT_EQ(row0.size(), 1u);
    EXPECT_EQ(row0[0].note, 0x50);  // C-5
    EXPECT_EQ(row0[0].instrument, 0);
    EXPECT_EQ(row0[0].volume, 0x95);
    EXPECT_EQ(std::pair(row0[0].command, row0[0].argument), std::pair(Command::patternBreak, uint8_t(0x16)));
    const auto row1 = rowEntries(p, 1);
    ASSERT_EQ(row1.size(), 1u);
    EXPECT_EQ(std::pair(row1[0].note, row1[0].instrument), std::pair(uint8_t(0x50), uint8_t(0)));
    EXPECT_EQ(row1[0].command, Command::none);
    const auto row2 = rowEntries(p, 2);
    EXPECT_EQ(row2.at(0).note, noteKeyOff);
    EXPECT_EQ(std::pair(row2.at(0).command, row2.at(0).argument), std::pair(Command::globalVolume, uint8_t(128)));
    const auto row3 = rowEntries(p, 3);
    EXPECT_EQ(row3.at(0).note, noteCut);
    EXPECT_EQ(std::pair(row3.at(0).command, row3.at(0).argument), std::pair(Command::tempoSlide, uint8_t(5)));
    EXPECT_EQ(module->tracker, "Impulse Tracker 2.17");
    EXPECT_EQ(module->message, "");
    const Sample& s = module->instruments.at(0).samples.at(0);
    EXPECT_EQ(s.name, "a sample");
    EXPECT_EQ(s.volume, 48u);
    EXPECT_EQ(s.relativeNote, -12);  // C-5 at 8363 Hz
    EXPECT_EQ(std::pair(s.loopStart, s.loopEnd), std::pair(1u, 3u));
    ASSERT_EQ(recorder().samples.size(), 1u);
    EXPECT_EQ(recorder().samples[0].data, (std::vector<uint8_t>{0x80, 0x90, 0x70, 0xFF}));
}

TEST(ItLoader, TheSongMessageEndsItsLinesInNewlinesAndStaysInsideTheFile)
{
    ItFile f = standardFile();
    f.message = "first line\rsecond line\r";
    EXPECT_EQ(loadExpecting(loadIT, writeIt(f))->message, "first line\nsecond line\n");
    f.messageLength = 4000;  // runs past the end of the file: left out, the song still loads
    EXPECT_EQ(loadExpecting(loadIT, writeIt(f))->message, "");
}

using Values = std::vector<int32_t>;
const auto period = [](const player::ChannelState& c) { return c.period; };

TEST(ItLoader, InstrumentsOfEitherLayoutAreReadAndPlayedAlike)
{
    // The same instrument in both layouts: the old one keeps a volume
    // envelope alone, its fade-out in 512ths (8 there is 16 here), its
    // duplicate check on or off. Both map notes 60 and up to the sample.
    ItFile f = channelRows({{0x03, 60, 1}, {}, {0x01, 255}, {}, {}, {}, {}, {}});
    f.instruments = true;
    f.newNoteAction = 2;
    f.duplicateCheck = 1;
    f.envelopes[0] = {1 | 2, {{64, 0}, {16, 6}, {48, 12}}, 1, 2, 0, 0};
    f.envelopes[1] = {1, {{32, 0}}};  // not in the old layout: the bytes hold its volume envelope
    ItFile old = f;
    old.compatibleVersion = 0x0100;
    old.fadeout = 8;
    f.fadeout = 16;
    f.envelopes[1] = {};
    for (const auto& [file, name] : {std::pair(&old, "old keyboard"), std::pair(&f, "keyboard")}) {
        SCOPED_TRACE(name);
        auto module = loadExpecting(loadIT, writeIt(*file));
        const Instrument& instrument = module->instruments.at(0);
        EXPECT_EQ(instrument.name, name);
        EXPECT_EQ(instrument.fadeout, 16u * 32);
        EXPECT_EQ(instrument.newNoteAction, NewNoteAction::noteOff);
        EXPECT_EQ(instrument.duplicateCheck, DuplicateCheck::note);
        ASSERT_EQ(instrument.samples.size(), 1u);
        ASSERT_TRUE(instrument.noteToSample);
        EXPECT_EQ((*instrument.noteToSample)[59], 255);  // no sample below C-5
        EXPECT_EQ((*instrument.noteToSample)[60], 0);
        ASSERT_TRUE(instrument.volumeEnvelope);
        EXPECT_EQ(instrument.volumeEnvelope->loopStart, 1);
        EXPECT_EQ(instrument.volumeEnvelope->loopEnd, 2);
        EXPECT_FALSE(instrument.panningEnvelope);
        EXPECT_FALSE(instrument.pitchEnvelope);
        EXPECT_EQ(instrument.globalVolume, 128);
    }
    // And it plays as its new-layout twin, tick by tick.
    PlayerHarness oldSong(writeIt(old));
    const std::vector<uint32_t> heard = oldSong.volumes(0, 32);
    PlayerHarness newSong(writeIt(f));
    EXPECT_EQ(heard, newSong.volumes(0, 32));
    EXPECT_NE(std::count(heard.begin(), heard.end(), heard[8]), 32) << "the envelope moves the volume";
}

TEST(ItPlayback, SampleInstrumentChannelAndGlobalVolumesScaleTheNote)
{
    // Sample volume 48 x sample 32/64 x channel 32/64 = 12; with an
    // instrument at 64/128, 6. Channel volume 0 silences the channel.
    ItFile f = channelRows({{noteAndSample, 60, 1}});
    f.sampleGlobalVolume = 32;
    f.channelVolume[0] = 32;
    PlayerHarness plain(writeIt(f));
    plain.startFirstRow();
    EXPECT_EQ(plain.device(0).volume, 12u);

    f.instruments = true;
    f.instrumentGlobalVolume = 64;
    PlayerHarness instrument(writeIt(f));
    instrument.startFirstRow();
    EXPECT_EQ(instrument.device(0).volume, 6u);

    f.channelVolume[0] = 0;
    PlayerHarness silent(writeIt(f));
    silent.startFirstRow();
    EXPECT_EQ(silent.device(0).volume, 0u);
}

TEST(ItPlayback, ChannelVolumeSetAndSlid)
{
    // M40 sets 64; N02 down 2 on the ticks after the first; N1F up 1 once;
    // N00 repeats N1F; M41 is out of range and ignored (speed 4).
    ItFile f = channelRows({{noteAndSample, 60, 1},
                            {effectOnly, letterM, 0x40},
                            {effectOnly, letterN, 0x02},
                            {effectOnly, letterN, 0x1F},
                            {effectOnly, letterN, 0x00},
                            {effectOnly, letterM, 0x41}});
    f.channelVolume[0] = 32;
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    EXPECT_EQ(h.channel(0).songChannelVolume, 32);
    EXPECT_EQ(h.device(0).volume, 24u);
    const auto channelVolume = [](const player::ChannelState& c) { return c.songChannelVolume; };
    EXPECT_EQ(h.trace(4, channelVolume), (Values{32, 32, 32, 64}));
    EXPECT_EQ(h.trace(4, channelVolume), (Values{64, 64, 64, 64}));
    EXPECT_EQ(h.trace(4, channelVolume), (Values{62, 60, 58, 59}));
    EXPECT_EQ(h.device(0).volume, 45u);  // 48 x 59 / 64, rounded up
    EXPECT_EQ(h.trace(4, channelVolume), (Values{59, 59, 59, 60}));
    EXPECT_EQ(h.trace(4, channelVolume), (Values{60, 60, 60, 60}));
}

TEST(ItPlayback, PanningSlidesRightForP0xAndLeftForPx0)
{
    // Centre 128; P04: right 4 steps of 64 (16) per tick after the first;
    // PF2 right 2 once; P20 left 2 per tick; P00 repeats P20.
    ItFile f = channelRows({{noteSampleEffect, 60, 1, letterP, 0x04},
                            {effectOnly, letterP, 0xF2},
                            {effectOnly, letterP, 0x20},
                            {effectOnly, letterP, 0x00}});
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    EXPECT_EQ(h.channel(0).panning, 128);
    const auto panning = [](const player::ChannelState& c) { return c.panning; };
    EXPECT_EQ(h.trace(3, panning), (Values{144, 160, 176}));
    EXPECT_EQ(h.trace(4, panning), (Values{184, 184, 184, 184}));
    EXPECT_EQ(h.trace(4, panning), (Values{184, 176, 168, 160}));
    EXPECT_EQ(h.trace(4, panning), (Values{160, 152, 144, 136}));
}

TEST(ItPlayback, TremorIsOnForXTicksAndOffForYOnEveryTick)
{
    // I21: on 2, off 1, counting on across the next row's I00; I00 alone
    // on a row keeps 2/1; a row without it sounds throughout.
    ItFile f = channelRows({{noteSampleEffect, 60, 1, letterI, 0x21}, {effectOnly, letterI, 0x00}, {}});
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    EXPECT_EQ(h.device(0).volume, 48u);
    EXPECT_EQ(h.volumes(0, 3), (std::vector<uint32_t>{48, 0, 48}));
    EXPECT_EQ(h.volumes(0, 4), (std::vector<uint32_t>{48, 0, 48, 48}));
    EXPECT_EQ(h.volumes(0, 4), (std::vector<uint32_t>{48, 48, 48, 48}));
}

TEST(ItPlayback, PanbrelloSwingsThePanningWhileItRuns)
{
    // Y44: speed 4 of 256 steps a swing, depth 4: sine x 4 / 32 from the
    // tick after the row's first.
    ItFile f = channelRows({{noteSampleEffect, 60, 1, letterY, 0x44}, {}});
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    const auto offset = [](const player::ChannelState& c) { return c.panbrelloOffset; };
    EXPECT_EQ(h.trace(3, offset), (Values{0, 3, 6}));
    EXPECT_EQ(h.device(0).panning, 3);  // 128 + 6 on the device's -64..64
    h.tick();  // the next row has no panbrello: the panning is the channel's again
    EXPECT_EQ(h.device(0).panning, 0);
}

TEST(ItPlayback, VolumeColumnPitchSlidesAndTablePortamento)
{
    // e2 (107): down by 8 x 4 per tick after the first; e0 (105) repeats it
    // from the memory it shares with Exx; f1 (116) up by 4 x 4.
    ItFile f = channelRows({{noteSampleVolume, 60, 1, 107}, {volumeOnly, 105}, {volumeOnly, 116}});
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    const int32_t start = h.channel(0).period;
    EXPECT_EQ(h.trace(4, period), (Values{start + 32, start + 64, start + 96, start + 96}));
    EXPECT_EQ(h.trace(4, period), (Values{start + 128, start + 160, start + 192, start + 192}));
    EXPECT_EQ(h.trace(3, period), (Values{start + 176, start + 160, start + 144}));

    // g2 (195): speed 4 from the table, not 2 x 16; the note is the target.
    ItFile porta = channelRows({{noteAndSample, 60, 1}, {noteSampleVolume, 61, 1, 195}});
    PlayerHarness p(writeIt(porta));
    p.startFirstRow();
    const int32_t from = p.channel(0).period;
    p.tick(4);
    EXPECT_EQ(p.channel(0).period, from);
    EXPECT_EQ(p.trace(2, period), (Values{from - 16, from - 32}));
}

// Writes LSB-first bit fields.
struct BitWriter {
    std::vector<uint8_t> bytes;
    size_t bits = 0;
    void put(uint32_t value, uint32_t width)
    {
        for (uint32_t i = 0; i < width; ++i, ++bits) {
            if (bits % 8 == 0)
                bytes.push_back(0);
            bytes.back() |= static_cast<uint8_t>((value >> i & 1) << (bits % 8));
        }
    }
    std::vector<uint8_t> block() const
    {
        std::vector<uint8_t> out = {uint8_t(bytes.size()), uint8_t(bytes.size() >> 8)};
        out.insert(out.end(), bytes.begin(), bytes.end());
        return out;
    }
};

TEST(ItSampleDecompression, DeltasWidthChangesAndDamage)
{
    // 8-bit at width 9 (bit 8 marks a new width, so values are 8-bit): deltas
    // 1, 2, -1; then width 4 (0x100 | 3) with deltas
    // 3 and -2; then width 9 again through the width-4 escape (8, then 3 bits: 8 -> 9).
    BitWriter w;
    for (uint32_t d : {1u, 2u, 0xFFu})
        w.put(d, 9);
    w.put(0x103, 9);
    w.put(3, 4);
    w.put(0xE, 4);
    w.put(8, 4);
    w.put(7, 3);
    w.put(0x7F, 9);
    std::vector<uint8_t> out;
    ASSERT_EQ(decompressItSample(w.block(), 6, false, false, out), ErrorCode::ok);
    // Running sums 1, 3, 2, 5, 3, 130 (wrapping to -126), as unsigned bytes.
    EXPECT_EQ(out, (std::vector<uint8_t>{0x81, 0x83, 0x82, 0x85, 0x83, 0x02}));
    ASSERT_EQ(decompressItSample(w.block(), 3, false, true, out), ErrorCode::ok);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x81, 0x84, 0x86}));  // sums of sums

    BitWriter wide;
    wide.put(1000, 17);
    wide.put(0xFC18, 17);  // -1000
    ASSERT_EQ(decompressItSample(wide.block(), 2, true, false, out), ErrorCode::ok);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xE8, 0x03, 0x00, 0x00}));

    EXPECT_EQ(decompressItSample(w.block(), 7, false, false, out), ErrorCode::unexpectedEndOfFile);
    const std::vector<uint8_t> whole = w.block();
    const std::vector<uint8_t> cut(whole.begin(), whole.end() - 1);
    EXPECT_EQ(decompressItSample(cut, 6, false, false, out), ErrorCode::unexpectedEndOfFile);
    BitWriter badWidth;
    badWidth.put(0x1FF, 9);  // a new width of 0
    EXPECT_EQ(decompressItSample(badWidth.block(), 1, false, false, out), ErrorCode::invalidInstrument);
}

TEST(ItLoader, TruncatedAndDamagedFilesFailCleanly)
{
    ItFile f = standardFile();
    f.instruments = true;
    const std::vector<uint8_t> file = writeIt(f);
    expectEveryCutFails(loadIT, file);
    // Pattern data whose last entry is cut short.
    ItFile shortPattern = standardFile();
    shortPattern.pattern.resize(shortPattern.pattern.size() - 3);
    loadExpecting(loadIT, writeIt(shortPattern), ErrorCode::invalidPatternData);

    EXPECT_GT(playDamagedCopies(loadIT, file, 7, 4), 0);
}

}  // namespace
}  // namespace corvid::testing
