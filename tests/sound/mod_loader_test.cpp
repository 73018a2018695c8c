// The MOD loader: signatures, the module it fills, pattern conversion through
// the period table, samples with Amiga-style loops, and damaged files.

#include <gtest/gtest.h>

#include "damaged_files.h"
#include "mod_writer.h"
#include "packed_rows.h"
#include "player_test_support.h"
#include "sound/core/library.h"
#include "sound/loaders/mod_loader.h"

namespace corvid::testing {
namespace {

ModSong songWithSignature(const std::string& signature, uint32_t channels)
{
    ModSong song;
    song.signature = signature;
    song.channels = channels;
    return song;
}

TEST(ModLoader, SignaturesGiveTheChannelCountAndNoSignatureFails)
{
    const std::pair<const char*, uint32_t> known[] = {{"M.K.", 4}, {"M!K!", 4}, {"FLT4", 4}, {"OCTA", 8},
                                                      {"8CHN", 8}, {"6CHN", 6}, {"12CH", 12}, {"32CH", 32},
                                                      {"TDZ3", 3}};
    for (const auto& [signature, channels] : known) {
        auto module = loadExpecting(loadMOD, writeMod(songWithSignature(signature, channels)));
        ASSERT_TRUE(module) << signature;
        EXPECT_EQ(module->channelCount, channels) << signature;
    }
    // Unknown text, a channel count of 0, digits that are not digits, more
    // channels than an entry can name.
    for (const char* signature : {"ABCD", "0CHN", "xCHN", "1xCH", "33CH", "TDZ0"})
        loadExpecting(loadMOD, writeMod(songWithSignature(signature, 4)), ErrorCode::invalidModule);
}

TEST(ModLoader, HeaderFillsTheModule)
{
    ModSong song = modWithOneSample();
    song.name = "a name of twenty chars and more";
    song.signature = "8CHN";
    song.channels = 8;
    song.songLength = 3;
    song.orders[0] = 1;
    song.orders[40] = 40;  // beyond the song length, still counts
    auto module = loadExpecting(loadMOD, writeMod(song));
    EXPECT_EQ(module->name, "a name of twenty cha");
    EXPECT_EQ(module->orders, (std::vector<uint16_t>{1, 0, 0}));
    EXPECT_EQ(module->patterns.size(), 41u);
    EXPECT_EQ(module->restartPosition, 0u);  // restart byte 127
    // Default separation 64: channels 0 and 3 of each four hard left, 1 and 2 hard right.
    EXPECT_EQ(std::vector<int32_t>(module->channelPanning.begin(), module->channelPanning.begin() + 8),
              (std::vector<int32_t>{0, 128, 128, 0, 0, 128, 128, 0}));

    song.restart = 2;
    EXPECT_EQ(loadExpecting(loadMOD, writeMod(song))->restartPosition, 2u);
    song.restart = 3;  // not below the song length
    EXPECT_EQ(loadExpecting(loadMOD, writeMod(song))->restartPosition, 0u);

    module = loadExpecting(loadMOD, writeMod(song));
    module->applyStereoSeparation(32);
    EXPECT_EQ(module->channelPanning[0], 32);
    EXPECT_EQ(module->channelPanning[1], 96);

    song.songLength = 0;
    loadExpecting(loadMOD, writeMod(song), ErrorCode::invalidModule);
    song.songLength = 129;
    loadExpecting(loadMOD, writeMod(song), ErrorCode::invalidModule);
}

TEST(ModLoader, CellsConvertThroughThePeriodTableAndTheCommandMap)
{
    ModSong song = modWithOneSample();
    const ModCell cells[] = {
        {428, 1, 0x0, 0x00},  // C-2: octave 2, semitone 0; no command
        {113, 0, 0x0, 0x37},  // B-3; arpeggio
        {2000, 0, 0x8, 0x80}, // above the table: note 0; panning 128
        {0, 0, 0x8, 0x81},    // panning above 128: dropped
        {0, 0, 0x8, 0xA4},    // 164 is kept
        {0, 0, 0xE, 0x13},    // E1x fine porta up
        {0, 0, 0xE, 0x03},    // E0x filter: dropped
        {0, 0, 0xF, 0x20},    // F20: speed 32
        {0, 0, 0xF, 0x21},    // F21: tempo 33
        {0, 0, 0xC, 0x40},    // set volume
        {0, 0, 0x7, 0x11},    // tremolo
        {0, 0, 0xD, 0x10},    // pattern break
        {430, 0, 0x0, 0x00},  // between table entries: the next lower period's note
    };
    for (uint32_t row = 0; row < std::size(cells); ++row)
        song.cell(0, row, 0) = cells[row];
    auto module = loadExpecting(loadMOD, writeMod(song));
    const Pattern& pattern = module->patterns[0];
    auto only = [&](uint32_t row) {
        const auto entries = rowEntries(pattern, row);
        return entries.empty() ? UnpackedEntry{} : entries[0];
    };
    EXPECT_EQ(only(0).note, 0x20);
    EXPECT_EQ(only(0).instrument, 0);
    EXPECT_EQ(only(0).command, Command::none);
    EXPECT_EQ(only(1).note, 0x3B);
    EXPECT_EQ(only(1).instrument, instrumentNone);
    EXPECT_EQ(std::pair(only(1).command, only(1).argument), std::pair(Command::arpeggio, uint8_t(0x37)));
    EXPECT_EQ(only(2).note, 0x00);
    EXPECT_EQ(std::pair(only(2).command, only(2).argument), std::pair(Command::setPanning, uint8_t(128)));
    EXPECT_TRUE(rowEntries(pattern, 3).empty());
    EXPECT_EQ(std::pair(only(4).command, only(4).argument), std::pair(Command::setPanning, uint8_t(164)));
    EXPECT_EQ(std::pair(only(5).command, only(5).argument), std::pair(Command::finePortaUp, uint8_t(3)));
    EXPECT_TRUE(rowEntries(pattern, 6).empty());
    EXPECT_EQ(std::pair(only(7).command, only(7).argument), std::pair(Command::setSpeed, uint8_t(32)));
    EXPECT_EQ(std::pair(only(8).command, only(8).argument), std::pair(Command::setTempo, uint8_t(33)));
    EXPECT_EQ(only(9).command, Command::setVolume);
    EXPECT_EQ(only(10).command, Command::tremolo);
    EXPECT_EQ(only(11).command, Command::patternBreak);
    EXPECT_EQ(only(12).note, 0x20);  // 430 reaches 428
    EXPECT_EQ(pattern.rowCount, 64u);
    // Notes 0 (1712 and above) lie outside octaves 1..3.
    EXPECT_EQ(module->flags & moduleExtendedOctaves, moduleExtendedOctaves);

    song.cell(0, 2, 0).period = 856;
    EXPECT_EQ(loadExpecting(loadMOD, writeMod(song))->flags & moduleExtendedOctaves, 0u);
    song.cell(0, 2, 0).period = 107;  // octave 4
    EXPECT_EQ(loadExpecting(loadMOD, writeMod(song))->flags & moduleExtendedOctaves, moduleExtendedOctaves);
}

TEST(ModLoader, PeriodsBelowTheTableAndInstrumentsAbove31AreBadPatternData)
{
    ModSong song = modWithOneSample();
    song.cell(0, 5, 2).period = 27;
    loadExpecting(loadMOD, writeMod(song), ErrorCode::invalidPatternData);
    song.cell(0, 5, 2).period = 28;
    loadExpecting(loadMOD, writeMod(song));
    song.cell(0, 7, 1).instrument = 32;
    loadExpecting(loadMOD, writeMod(song), ErrorCode::invalidPatternData);
}

TEST(ModLoader, SamplesOfUsedInstrumentsGoToTheDeviceWithAmigaLoops)
{
    ModSong song;
    auto ramp = [](size_t length) {
        std::vector<int8_t> v(length);
        for (size_t i = 0; i < length; ++i)
            v[i] = static_cast<int8_t>(i - 8);
        return v;
    };
    song.samples[0].values = ramp(16);  // unused: its data is skipped
    song.samples[1].values = ramp(20);  // loops 2 words from word 2
    song.samples[1].loopStartWords = 2;
    song.samples[1].loopLengthWords = 2;
    song.samples[1].finetune = 0xF3;    // only the low nibble counts
    song.samples[1].volume = 70;
    song.samples[2].values = ramp(8);   // loop of one word at 0: no loop
    song.samples[2].loopLengthWords = 1;
    song.samples[3].values = ramp(8);   // loop running past the data
    song.samples[3].loopStartWords = 2;
    song.samples[3].loopLengthWords = 10;
    // Instrument 5 is used but has no data.
    for (uint8_t i = 2; i <= 5; ++i)
        song.cell(0, i, 0) = {428, i, 0, 0};
    auto module = loadExpecting(loadMOD, writeMod(song));

    EXPECT_EQ(module->instruments[0].used, 0);
    EXPECT_TRUE(module->instruments[0].samples.empty());
    const Sample& looped = module->instruments[1].samples.at(0);
    EXPECT_EQ(looped.length, 8u);  // cut to the loop end
    EXPECT_EQ(looped.loopStart, 4u);
    EXPECT_EQ(looped.loopEnd, 8u);
    EXPECT_EQ(looped.looping, static_cast<uint8_t>(LoopMode::amigaLooped));
    EXPECT_EQ(looped.loopType, 1);
    EXPECT_EQ(looped.finetune, 3);
    EXPECT_EQ(looped.volume, 64u);
    EXPECT_EQ(looped.panning, 0u);
    const Sample& oneWord = module->instruments[2].samples.at(0);
    EXPECT_EQ(oneWord.looping, static_cast<uint8_t>(LoopMode::amiga));
    EXPECT_EQ(oneWord.loopType, 0);
    EXPECT_EQ(oneWord.length, 8u);
    const Sample& overlong = module->instruments[3].samples.at(0);
    EXPECT_EQ(overlong.length, 8u);
    EXPECT_EQ(overlong.loopEnd, 8u);
    EXPECT_EQ(overlong.looping, static_cast<uint8_t>(LoopMode::amigaLooped));
    EXPECT_EQ(module->instruments[4].samples.at(0).type, SampleDataType::none);

    // Three samples reached the device, in instrument order, unsigned.
    ASSERT_EQ(recorder().samples.size(), 3u);
    const RecordedSample& first = recorder().samples[0];
    EXPECT_EQ(first.description.type, SampleType::pcm8Mono);
    EXPECT_EQ(first.description.loopMode, LoopMode::amigaLooped);
    EXPECT_EQ(first.description.loop1.start, 4u);
    EXPECT_EQ(first.description.loop1.end, 8u);
    EXPECT_EQ(first.description.loop1.type, LoopType::forward);
    // Sample 2's data follows sample 1's full 16 bytes: value -8 + 128.
    EXPECT_EQ(first.data, (std::vector<uint8_t>{120, 121, 122, 123, 124, 125, 126, 127}));
    EXPECT_EQ(recorder().samples[1].description.loopMode, LoopMode::amiga);
    EXPECT_EQ(recorder().samples[1].description.loop1.type, LoopType::none);
}

// Random bytes over a valid module: the loader answers with a code, and what
// it accepts plays without failing.
TEST(ModLoader, DamagedFilesLoadOrFailButNeverReachOutside)
{
    ModSong song = modWithOneSample(40);
    song.songLength = 2;
    song.orders[1] = 1;
    for (uint32_t row = 0; row < 64; row += 3)
        song.cell(row % 2, row, row % 4) = {428, 1, static_cast<uint8_t>(row % 16), static_cast<uint8_t>(row * 5)};
    EXPECT_GT(playDamagedCopies(loadMOD, writeMod(song), 1234), 30);
}

}  // namespace
}  // namespace corvid::testing
