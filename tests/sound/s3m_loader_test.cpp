// The S3M loader: header, channels and panning, order markers, packed
// patterns and the effect map, sample formats and middle-C tuning, and
// damaged files.

#include <gtest/gtest.h>

#include "damaged_files.h"
#include "packed_rows.h"
#include "player_test_support.h"
#include "s3m_writer.h"
#include "sound/loaders/s3m_loader.h"

namespace corvid::testing {
namespace {

TEST(S3mLoader, HeaderChannelsPanningAndOrders)
{
    S3mSong song = s3mWithOneSample();
    song.name = "twenty-eight characters name";
    song.channelSettings[2] = 255;  // disabled between enabled ones
    song.channelSettings[5] = 20;   // AdLib: not a PCM channel
    song.orders = {0, 254, 0, 255, 0};
    song.flags = 16;
    song.globalVolume = 48;
    song.speed = 0;
    song.tempo = 20;
    auto module = loadExpecting(loadS3M, writeS3m(song));
    EXPECT_EQ(module->name, "twenty-eight characters name");
    EXPECT_EQ(module->type, ModuleType::s3m);
    EXPECT_EQ(module->channelCount, 4);
    EXPECT_EQ(module->orders, (std::vector<uint16_t>{0, orderSkip, 0}));
    EXPECT_EQ(module->masterVolume, 48);
    EXPECT_EQ(module->initialSpeed, 6);
    EXPECT_EQ(module->initialTempo, 125);
    EXPECT_EQ(module->flags & moduleS3mAmigaLimits, moduleS3mAmigaLimits);
    // Settings 0..7 lean left, 8..15 right, by the stereo separation.
    EXPECT_EQ(module->channelPanning[0], 0);
    EXPECT_EQ(module->channelPanning[1], 128);
    EXPECT_EQ(module->channelPanning[3], 128);

    song.storePanning = true;
    song.panning[0] = 0x20 | 15;
    song.panning[1] = 0x20 | 7;
    song.panning[3] = 3;  // not marked valid: the default stays
    module = loadExpecting(loadS3M, writeS3m(song));
    EXPECT_EQ(module->channelPanning[0], 128);
    EXPECT_EQ(module->channelPanning[1], 60);
    EXPECT_EQ(module->channelPanning[3], 128);
    song.masterVolume = 0x30;  // mono: everything centred
    EXPECT_EQ(loadExpecting(loadS3M, writeS3m(song))->channelPanning[0], 64);

    song.channelSettings.fill(255);
    loadExpecting(loadS3M, writeS3m(song), ErrorCode::invalidModule);
}

TEST(S3mLoader, PatternsConvertNotesVolumesAndEffects)
{
    const std::vector<std::pair<uint32_t, std::pair<uint8_t, S3mCell>>> cells = {
        {0, {0, {0x40, 1, 0}}},              // C-4, volume 0 is a volume
        {1, {1, {254, 0, -1}}},              // note cut
        {2, {0, {255, 0, -1, 1, 0}}},        // A00: nothing
        {3, {0, {255, 0, -1, 1, 3}}},        // A03: speed
        {4, {0, {255, 0, -1, 20, 0x20}}},    // T20: below 33, nothing
        {5, {0, {255, 0, -1, 20, 0x7D}}},    // T7D: tempo
        {6, {0, {255, 0, -1, 4, 0xF2}}},     // DF2
        {7, {0, {255, 0, -1, 19, 0xB2}}},    // SB2: pattern loop
        {8, {0, {255, 0, -1, 19, 0xD3}}},    // SD3: note delay
        {9, {0, {255, 0, -1, 24, 0xA4}}},    // XA4: surround
        {10, {0, {255, 0, -1, 6, 0xE3}}},    // FE3
        {11, {2, {0x40, 1, 32}}},            // a disabled channel: dropped
    };
    S3mSong song = s3mWithOneSample(cells);
    song.channelSettings[2] = 255;
    auto module = loadExpecting(loadS3M, writeS3m(song));
    const Pattern& pattern = module->patterns[0];
    auto only = [&](uint32_t row) {
        const auto entries = rowEntries(pattern, row);
        EXPECT_EQ(entries.size(), 1u) << row;
        return entries.empty() ? UnpackedEntry{} : entries[0];
    };
    EXPECT_EQ(only(0).note, 0x40);
    EXPECT_EQ(only(0).instrument, 0);
    EXPECT_EQ(only(0).volume, 0);
    EXPECT_EQ(only(1).note, noteCut);
    EXPECT_EQ(only(1).channel, 1);
    EXPECT_TRUE(rowEntries(pattern, 2).empty());
    EXPECT_EQ(std::pair(only(3).command, only(3).argument), std::pair(Command::setSpeed, uint8_t(3)));
    EXPECT_TRUE(rowEntries(pattern, 4).empty());
    EXPECT_EQ(std::pair(only(5).command, only(5).argument), std::pair(Command::setTempo, uint8_t(0x7D)));
    EXPECT_EQ(std::pair(only(6).command, only(6).argument), std::pair(Command::volumeSlideWithFine, uint8_t(0xF2)));
    EXPECT_EQ(std::pair(only(7).command, only(7).argument), std::pair(Command::patternLoop, uint8_t(2)));
    EXPECT_EQ(std::pair(only(8).command, only(8).argument), std::pair(Command::noteDelay, uint8_t(3)));
    EXPECT_EQ(std::pair(only(9).command, only(9).argument), std::pair(Command::setPanning, uint8_t(0xA4)));
    EXPECT_EQ(std::pair(only(10).command, only(10).argument), std::pair(Command::portaUpWithFine, uint8_t(0xE3)));
    EXPECT_TRUE(rowEntries(pattern, 11).empty());
}

TEST(S3mLoader, SampleFormatsReachTheDeviceAsItTakesThem)
{
    S3mSong song = s3mWithOneSample({{0, {0, {0x40, 1}}}, {0, {1, {0x40, 2}}}, {0, {3, {0x40, 3}}}});
    song.sampleFormat = 1;  // signed
    song.samples[0].bytes = {0x00, 0x7F, 0x80, 0xFF};
    song.samples[0].loop = true;
    song.samples[0].loopStart = 1;
    song.samples[0].loopEnd = 9;  // past the end: cut to it
    S3mSample wide;
    wide.sixteenBit = true;
    wide.bytes = {0x00, 0x80, 0xFF, 0x7F};
    wide.middleC = 16726;
    song.samples.push_back(wide);
    S3mSample packed;
    packed.pack = 1;
    packed.bytes = {1, 2, 3, 4};
    song.samples.push_back(packed);
    auto module = loadExpecting(loadS3M, writeS3m(song));
    const Sample& first = module->instruments[0].samples.at(0);
    EXPECT_EQ(first.loopStart, 1u);
    EXPECT_EQ(first.loopEnd, 4u);
    EXPECT_EQ(first.looping, 1);
    const Sample& second = module->instruments[1].samples.at(0);
    EXPECT_EQ(second.type, SampleDataType::pcm16);
    EXPECT_EQ(second.length, 4u);
    EXPECT_EQ(second.relativeNote, 12);  // twice 8363 Hz: an octave up
    EXPECT_EQ(second.finetune, 0);
    EXPECT_EQ(module->instruments[2].samples.at(0).type, SampleDataType::none);
    ASSERT_EQ(recorder().samples.size(), 2u);
    EXPECT_EQ(recorder().samples[0].data, (std::vector<uint8_t>{0x80, 0xFF, 0x00, 0x7F}));
    EXPECT_EQ(recorder().samples[0].description.loop1.end, 4u);
    // Signed 16-bit data stays as it is.
    EXPECT_EQ(recorder().samples[1].data, (std::vector<uint8_t>{0x00, 0x80, 0xFF, 0x7F}));

    Sample tuned;
    tuneForMiddleC(8363, tuned);
    EXPECT_EQ(std::pair(tuned.relativeNote, tuned.finetune), std::pair(0, 0));
    tuneForMiddleC(8363 / 2, tuned);
    EXPECT_EQ(std::pair(tuned.relativeNote, tuned.finetune), std::pair(-12, 0));
    tuneForMiddleC(8860, tuned);  // a semitone up
    EXPECT_EQ(std::pair(tuned.relativeNote, tuned.finetune), std::pair(1, 0));
    tuneForMiddleC(0, tuned);
    EXPECT_EQ(std::pair(tuned.relativeNote, tuned.finetune), std::pair(0, 0));
}

TEST(S3mLoader, TruncatedAndDamagedFilesFailCleanly)
{
    S3mSong song = s3mWithOneSample({{0, {0, {0x40, 1, 40, 4, 0x0F}}}, {8, {1, {0x52, 1, -1, 19, 0xB1}}}});
    song.orders = {0, 0};
    const std::vector<uint8_t> file = writeS3m(song);
    expectEveryCutFails(loadS3M, file);
    // A pattern whose last entry runs past its stored length.
    std::vector<uint8_t> shortPattern = file;
    const size_t pattern = (shortPattern[0x60 + 2 + 2] | shortPattern[0x60 + 2 + 3] << 8) * 16u;
    shortPattern[pattern] = 4;  // 2 bytes of data: the first entry's fields are cut
    loadExpecting(loadS3M, shortPattern, ErrorCode::invalidPatternData);

    // The id at 44 stays, so the player's harness picks this loader too.
    EXPECT_GT(playDamagedCopies(loadS3M, file, 99, 48), 0);
}

}  // namespace
}  // namespace corvid::testing
