// The piece as the show needs it: its form, its instruments, its levels and
// its bytes.

#include "tests/support/files.h"
#include "tools/composer/instruments.h"
#include "tools/composer/notation.h"
#include "tools/composer/score.h"
#include "tools/composer/synth.h"
#include "tools/composer/xm_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

namespace {

using composer::XmModule;

const XmModule& song()
{
    static const XmModule module = composer::composeQorv();
    return module;
}

const composer::XmCell& cellAt(int position, int row, int channel)
{
    const composer::XmPattern& p = song().patterns[song().orders[static_cast<std::size_t>(position)]];
    return p.cells[static_cast<std::size_t>(row * song().channelCount + channel)];
}

std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const std::uint8_t b : bytes)
        h = (h ^ b) * 1099511628211ull;
    return h;
}

// The timing of the form (7.68 s a position, every pattern heard) is checked
// on the rendered song in qorv_music_test; here, what the score must hold.
TEST(Song, FormFollowsTheShow)
{
    const XmModule& m = song();
    ASSERT_EQ(composer::checkModule(m), "");
    // The show ends when position 45 begins, so 45 must exist; 0..44 are heard.
    ASSERT_EQ(m.orders.size(), 46u);
    EXPECT_GE(m.channelCount, 8);
    EXPECT_LE(m.channelCount, 16);
}

TEST(Song, EverySceneSetsItsOwnLevelAtItsFirstRow)
{
    // The fades at the ends of positions 8, 25, 29 and 44 must not carry into
    // the next scene: each scene's first row sets the global volume anew.
    for (const int position : {0, 9, 15, 26, 30, 41}) {
        const composer::XmCell& c = cellAt(position, 0, 0);
        EXPECT_EQ(c.effect, 0x10) << "position " << position;
        EXPECT_GT(c.parameter, 0) << "position " << position;
    }
}

TEST(Song, EveryInstrumentIsPlayed)
{
    // A loader gives an instrument that no pattern names no samples at all.
    std::set<int> named;
    for (const composer::XmPattern& p : song().patterns)
        for (const composer::XmCell& c : p.cells)
            if (c.instrument != 0)
                named.insert(c.instrument);
    EXPECT_EQ(named.size(), song().instruments.size());
}

TEST(Song, PositionFortyFiveIsSilence)
{
    for (int c = 0; c < song().channelCount; ++c)
        EXPECT_EQ(cellAt(45, 0, c).note, composer::keyOffNote);
    for (int row = 1; row < 64; ++row)
        for (int c = 0; c < song().channelCount; ++c)
            EXPECT_EQ(cellAt(45, row, c).note, 0);
    // The last heard position fades the global volume to nothing.
    EXPECT_EQ(cellAt(44, 63, 0).effect, 0x10);
    EXPECT_EQ(cellAt(44, 63, 0).parameter, 0);
}

// Which effects the player is handed is checked cell by cell through our
// loader in qorv_music_test; here, the rules a loader cannot see broken.
TEST(Song, GlobalVolumesStayInRangeAndEveryNoteNamesItsInstrument)
{
    for (const composer::XmPattern& p : song().patterns) {
        for (const composer::XmCell& c : p.cells) {
            if (c.effect == 0x10) {
                EXPECT_LE(c.parameter, 64);
            }
            if (c.note != 0 && c.note != composer::keyOffNote) {
                EXPECT_TRUE(c.instrument != 0 || c.effect == 3) << "a note without an instrument must be a slide";
            }
        }
    }
}

TEST(Song, InstrumentsCoverTheSampleKindsAndKeepHeadroom)
{
    bool eightBit = false, sixteenBit = false, forward = false, pingPong = false;
    for (const composer::XmInstrument& ins : song().instruments) {
        ASSERT_FALSE(ins.samples.empty()) << ins.name;
        for (const composer::XmSample& s : ins.samples) {
            eightBit |= !s.sixteenBit;
            sixteenBit |= s.sixteenBit;
            forward |= s.loop == composer::XmLoop::forward;
            pingPong |= s.loop == composer::XmLoop::pingPong;
            int peak = 0;
            for (const std::int16_t v : s.data)
                peak = std::max(peak, std::abs(int{v}));
            const int fullScale = s.sixteenBit ? 32767 : 127;
            EXPECT_LE(peak, fullScale / 2 + 1) << s.name << " peaks above half scale";
            EXPECT_GT(peak, fullScale / 4) << s.name << " is nearly silent";
            if (s.loop == composer::XmLoop::forward) {
                // A forward loop joins its last frame to its first without a
                // jump larger than the wave's own steps.
                int largestStep = 0;
                for (std::size_t i = s.loopStart + 1; i < s.loopStart + s.loopLength; ++i)
                    largestStep = std::max(largestStep, std::abs(s.data[i] - s.data[i - 1]));
                const int joint = std::abs(s.data[s.loopStart] - s.data[s.loopStart + s.loopLength - 1]);
                EXPECT_LE(joint, largestStep) << s.name;
            }
        }
    }
    EXPECT_TRUE(eightBit && sixteenBit && forward && pingPong);
    const composer::XmInstrument& hats = song().instruments[composer::ins::hats - 1];
    EXPECT_EQ(hats.noteToSample[composer::drumNote - 1], 0);
    EXPECT_EQ(hats.noteToSample[composer::openHatNote - 1], 1);
}

TEST(Song, BytesAreTheSameOnEveryBuild)
{
    const composer::XmFile first = composer::writeXm(composer::composeQorv());
    const composer::XmFile second = composer::writeXm(composer::composeQorv());
    ASSERT_EQ(first.error, "");
    EXPECT_EQ(first.bytes, second.bytes);
    // Changing the music changes this number: update it with the piece.
    EXPECT_EQ(fnv1a(first.bytes), 0xc851adc94ccbf4abull) << std::hex << fnv1a(first.bytes);

    // The build wrote the same bytes next to the programs.
    const std::vector<std::uint8_t> onDisk = testsupport::readBytes("qorv.xm");
    if (onDisk.empty())
        GTEST_SKIP() << "qorv.xm not built in the working directory";
    EXPECT_TRUE(onDisk == first.bytes);
}

TEST(Synth, DeterministicSineAndExponentialMatchTheLibrary)
{
    for (double x = -40; x < 40; x += 0.0137) {
        EXPECT_NEAR(composer::sine(x), std::sin(x), 1e-12) << x;
        EXPECT_NEAR(composer::exponential(x / 4), std::exp(x / 4), 1e-12 * std::exp(x / 4)) << x;
    }
}

TEST(Synth, LoopTuningAndQuantizing)
{
    // 128 cycles in 16384 frames at 4 × 8363 Hz is 261.34 Hz, 1.9 cents flat of C-4.
    EXPECT_EQ(composer::finetuneForLoop(128, 16384), 2);
    const std::vector<std::int16_t> q = composer::quantize({0.0, -2.0, 1.0}, false, 0.5);
    EXPECT_EQ(q, (std::vector<std::int16_t>{0, -64, 32}));
    const std::vector<double> wave = composer::loopedWave(64, {{2, 1.0, 0.0}});
    EXPECT_NEAR(wave[16], 0.0, 1e-12);
    EXPECT_NEAR(wave[8], 1.0, 1e-12);
}

TEST(Notation, NotesChordsAndVoicings)
{
    EXPECT_EQ(composer::noteValue("C-4"), 49);
    EXPECT_EQ(composer::noteValue("A4"), 58);
    EXPECT_EQ(composer::noteValue("C#4"), 50);
    EXPECT_EQ(composer::noteValue("Db4"), 50);
    EXPECT_EQ(composer::noteValue("Cb4"), 48);  // B-3
    EXPECT_EQ(composer::noteValue("B-7"), 96);
    EXPECT_EQ(composer::noteValue("C-0"), 1);
    for (const char* bad : {"", "H4", "C8", "Cb0", "C", "C#", "C--4", "."})
        EXPECT_EQ(composer::noteValue(bad), 0) << bad;

    EXPECT_EQ(composer::chord("F#m7").tones, (std::vector<int>{6, 9, 1, 4}));
    EXPECT_EQ(composer::chord("Bbmaj7").tones, (std::vector<int>{10, 2, 5, 9}));
    EXPECT_EQ(composer::chord("Esus4").tones, (std::vector<int>{4, 9, 11}));
    // Every chord lands in the same octave window: Am and F share C and A.
    EXPECT_EQ(composer::voicing(composer::chord("Am").tones, 43), (std::vector<int>{45, 48, 52}));
    EXPECT_EQ(composer::voicing(composer::chord("F").tones, 43), (std::vector<int>{45, 48, 53}));
}

}  // namespace
