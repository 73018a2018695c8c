// The channels' resonant low-pass: its coefficients at every setting and
// rate, what it passes and what it stops, its history across mix calls and
// new notes, and a full-scale square at the extreme settings in every family.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "sound/mixer/mix_kernels.h"
#include "sound/mixer/resonant_filter.h"
#include "sound/mixer/sinc_filter.h"
#include "mixer_test_support.h"

namespace corvid {
namespace {

using testing::describe;
using testing::everyFamily;
using testing::mix16;
using testing::openMixer;
using testing::startSample;

constexpr uint32_t outputRates[] = {8000, 11025, 22050, 44100, 96000, 1'000'000};

TEST(ResonantFilter, EverySettingIsStableWithUnitGainAtRestAtEveryRate)
{
    for (uint32_t rate : outputRates)
        for (uint32_t cutoff = 0; cutoff <= maximumFilterCutoff; cutoff += 61)
            for (uint32_t resonance = 0; resonance <= maximumFilterResonance; resonance += 7) {
                const ResonantFilter f = resonantFilterFor(cutoff, resonance, rate);
                // Both poles inside the unit circle (the stability triangle).
                ASSERT_LT(std::abs(f.feedback2), 1.0) << rate << " " << cutoff << " " << resonance;
                ASSERT_LT(std::abs(f.feedback1), 1.0 - f.feedback2) << rate << " " << cutoff << " " << resonance;
                // A steady input comes out unchanged.
                ASSERT_NEAR(f.input / (1.0 - f.feedback1 - f.feedback2), 1.0, 1e-6);
                ASSERT_EQ(f.last, (std::array<double, 2>{}));
            }
}

// The gain of a sine of `frequency` Hz, measured after the filter settles.
double sineGain(const ResonantFilter& settings, double frequency, uint32_t rate)
{
    ResonantFilter f = settings;
    double peak = 0.0;
    for (int n = 0; n < 20 * static_cast<int>(rate) / 10; ++n) {
        const double x = std::sin(2.0 * std::numbers::pi * frequency * n / rate);
        const double y = f.input * x + f.feedback1 * f.last[0] + f.feedback2 * f.beforeLast[0];
        f.beforeLast[0] = f.last[0];
        f.last[0] = y;
        if (n > static_cast<int>(rate))
            peak = std::max(peak, std::abs(y));
    }
    return peak;
}

TEST(ResonantFilter, PassesBelowTheCornerStopsAboveItAndRingsAtItWithResonance)
{
    // Cutoff 64: a corner of 110 x 2^(0.25 + 64/24) Hz, about 830 Hz.
    const double corner = 110.0 * std::exp2(0.25 + 64.0 / 24.0);
    const ResonantFilter plain = resonantFilterFor(64 * filterCutoffFraction, 0, 44100);
    EXPECT_NEAR(sineGain(plain, corner / 8, 44100), 1.0, 0.05);
    EXPECT_LT(sineGain(plain, corner * 8, 44100), 0.05);  // two poles: about -36 dB three octaves up
    const double atCorner = sineGain(plain, corner, 44100);
    EXPECT_GT(atCorner, 0.3);
    EXPECT_LT(atCorner, 1.0);
    // Full resonance: about 24 dB up at the corner.
    const ResonantFilter resonant = resonantFilterFor(64 * filterCutoffFraction, 127, 44100);
    EXPECT_GT(sineGain(resonant, corner, 44100), 8.0);
    EXPECT_NEAR(sineGain(resonant, corner / 8, 44100), 1.0, 0.1);
    // A finer cutoff lies between its neighbours.
    const double between = sineGain(resonantFilterFor(64 * filterCutoffFraction + 128, 0, 44100), corner * 2, 44100);
    EXPECT_GT(between, sineGain(plain, corner * 2, 44100));
    EXPECT_LT(between, sineGain(resonantFilterFor(65 * filterCutoffFraction, 0, 44100), corner * 2, 44100));
}

// A full-scale 16-bit square, 100 frames a half-period.
const std::vector<uint8_t>& squareWave()
{
    static const std::vector<uint8_t> bytes = [] {
        std::vector<int16_t> values(200);
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = i < 100 ? 32767 : -32768;
        return testing::bytesOf16(values);
    }();
    return bytes;
}

SampleDescription loopedSquare() { return describe(squareWave(), SampleType::pcm16Mono, LoopType::forward, 0, 400); }

TEST(ResonantFilter, AFullScaleSquareStaysBoundedAtTheExtremesInEveryFamily)
{
    for (SampleType type : {SampleType::pcm16Mono, SampleType::pcm8Mono})
        for (uint32_t rate : {8000u, 44100u, 1'000'000u})
            for (int f = 0; f < mixFamilyCount; ++f)
                for (uint32_t cutoff : {0u, 127 * filterCutoffFraction, maximumFilterCutoff}) {
                    const auto family = static_cast<MixFamily>(f);
                    std::vector<uint8_t> data = squareWave();
                    if (type == SampleType::pcm8Mono) {
                        data.resize(200);
                        for (size_t i = 0; i < data.size(); ++i)
                            data[i] = i < 100 ? 255 : 0;
                    }
                    // The frames either side the sinc taps read.
                    data.insert(data.begin(), 8, type == SampleType::pcm8Mono ? 255 : 0);
                    data.resize(data.size() + 8, 0);
                    std::vector<int32_t> rows(256);
                    std::vector<float> byteValues(256);
                    for (int b = 0; b < 256; ++b) {
                        rows[b] = (b - 128) * 32768;  // the loudest row of one channel: 2^22 at full scale
                        byteValues[b] = static_cast<float>(b * 256 - 32768);
                    }
                    MixJob job;
                    job.source = data.data() + 8;
                    job.step = static_cast<int32_t>((uint64_t{44100} << 16) / rate);
                    job.rows[0] = job.rows[1] = rows.data();
                    job.scale[0] = job.scale[1] = 32768;
                    job.gain[0] = job.gain[1] = 1.0f;
                    job.byteValues = job.muLawValues = byteValues.data();
                    job.sincRows = sincRows(job.step);
                    ResonantFilter filter = resonantFilterFor(cutoff, maximumFilterResonance, rate);
                    job.filter = &filter;
                    job.filterLimit = 67108864.0;
                    const MixRoutines& routines = mixRoutines(family, type, PanCase::normal, true);
                    const uint32_t sides = isStereoOutput(family) ? 2 : 1;
                    // A tenth of a second: runs over one period of the square (190 of its
                    // 200 frames), each back at the data's start.
                    double loudest = 0.0;
                    const uint32_t framesPerRun = static_cast<uint32_t>((uint64_t{190} << 16) / job.step);
                    for (uint32_t done = 0; done < rate / 10 && framesPerRun > 0; done += framesPerRun) {
                        std::vector<int32_t> integers(framesPerRun * sides, 0);
                        std::vector<float> floats(framesPerRun * sides, 0.0f);
                        job.position = 0;
                        job.destination = isIntegerFamily(family) ? static_cast<void*>(integers.data())
                                                                  : static_cast<void*>(floats.data());
                        routines.blocks(job, framesPerRun);
                        for (size_t i = 0; i < integers.size(); ++i) {
                            const double v = isIntegerFamily(family) ? integers[i] : floats[i];
                            ASSERT_TRUE(std::isfinite(v));
                            loudest = std::max(loudest, std::abs(v));
                        }
                    }
                    ASSERT_TRUE(std::isfinite(filter.last[0]));
                    // A square of full scale F rings to a few times F at most.
                    const double fullScale = isIntegerFamily(family) ? 4194304.0 : 32768.0;
                    EXPECT_LT(loudest, 40 * fullScale) << f << " " << rate << " " << cutoff;
                    EXPECT_GT(loudest, 0.0);
                }
}

// Mixes `frames` frames in pieces of the given sizes, in turn.
std::vector<int16_t> mixInPieces(Mixer& mixer, uint32_t frames, const std::vector<uint32_t>& pieces)
{
    std::vector<int16_t> out;
    for (size_t i = 0; frames > 0; ++i) {
        const uint32_t piece = std::min(frames, pieces[i % pieces.size()]);
        const std::vector<int16_t> part = mix16(mixer, piece);
        out.insert(out.end(), part.begin(), part.end());
        frames -= piece;
    }
    return out;
}

TEST(ResonantFilter, MixesTheSameWholeAndInPiecesAndChangesOnlyWhenOn)
{
    const SampleDescription sample = loopedSquare();
    for (uint32_t formatBits : everyFamily) {
        std::vector<int16_t> renders[3];
        for (int way = 0; way < 3; ++way) {
            Mixer mixer;
            openMixer(mixer, formatBits, 2);
            startSample(mixer, 0, sample, 30000, 40, -20);
            // Off costs nothing and changes nothing; a setting made while off is not kept.
            ASSERT_EQ(mixer.setFilter(0, way != 2, 40 * filterCutoffFraction, 100), ErrorCode::ok);
            ASSERT_EQ(mixer.setFilter(1, false, 0, 127), ErrorCode::ok);
            renders[way] = way == 1 ? mixInPieces(mixer, 6000, {1, 7, 333, 2, 64, 1001})
                                    : mixInPieces(mixer, 6000, {6000});
            // A volume change mid-way (a ramp where the family ramps) goes through the filter too.
            ASSERT_EQ(mixer.setVolume(0, 64), ErrorCode::ok);
            ASSERT_EQ(mixer.setFilter(0, way != 2, 90 * filterCutoffFraction, 20), ErrorCode::ok);
            const std::vector<int16_t> more =
                way == 1 ? mixInPieces(mixer, 3000, {5, 129, 3}) : mixInPieces(mixer, 3000, {3000});
            renders[way].insert(renders[way].end(), more.begin(), more.end());
        }
        EXPECT_EQ(renders[0], renders[1]) << formatBits;
        EXPECT_NE(renders[0], renders[2]) << formatBits;
    }
}

TEST(ResonantFilter, MovingOnUnheardLeavesTheHistoryOfAMix)
{
    const SampleDescription sample = loopedSquare();
    for (uint32_t formatBits : everyFamily) {
        Mixer heard, unheard;
        for (Mixer* mixer : {&heard, &unheard}) {
            openMixer(*mixer, formatBits, 2);
            startSample(*mixer, 0, sample, 30000);
            startSample(*mixer, 1, sample, 20000);
            ASSERT_EQ(mixer->setFilter(0, true, 20 * filterCutoffFraction, 127), ErrorCode::ok);
        }
        // Longer than the mix buffer, so that the unheard mix goes in pieces.
        const uint32_t frames = heard.mixBufferFrames() * 2 + 17;
        mix16(heard, frames);
        ASSERT_EQ(unheard.mix(frames, nullptr), ErrorCode::ok);
        ASSERT_EQ(heard.channelRecord(0).filter.last, unheard.channelRecord(0).filter.last) << formatBits;
        EXPECT_EQ(mix16(heard, 1000), mix16(unheard, 1000)) << formatBits;
    }
}

TEST(ResonantFilter, ANewNoteStartsWithASilentHistoryAndASettingChangeKeepsIt)
{
    const SampleDescription sample = loopedSquare();
    // Families without the fade of the old note on a shadow channel.
    for (uint32_t formatBits : {mixMono | mixInteger, mixStereo | mixFloat}) {
        Mixer played, fresh;
        openMixer(played, formatBits, 1);
        openMixer(fresh, formatBits, 1);
        startSample(played, 0, sample, 30000);
        startSample(fresh, 0, sample, 30000);
        for (Mixer* mixer : {&played, &fresh})
            ASSERT_EQ(mixer->setFilter(0, true, 30 * filterCutoffFraction, 127), ErrorCode::ok);
        mix16(played, 777);
        ASSERT_EQ(played.playSound(0, 30000), ErrorCode::ok);
        EXPECT_EQ(mix16(played, 500), mix16(fresh, 500)) << formatBits;

        // The same setting given again mid-note leaves the sound as it was.
        Mixer again;
        openMixer(again, formatBits, 1);
        startSample(again, 0, sample, 30000);
        ASSERT_EQ(again.setFilter(0, true, 30 * filterCutoffFraction, 127), ErrorCode::ok);
        mix16(again, 500);
        ASSERT_EQ(again.setFilter(0, true, 30 * filterCutoffFraction, 127), ErrorCode::ok);
        EXPECT_EQ(mix16(again, 300), mix16(fresh, 300)) << formatBits;
    }
    Mixer mixer;
    openMixer(mixer, mixStereo | mixFloat, 1);
    EXPECT_EQ(mixer.setFilter(1, true, 0, 0), ErrorCode::invalidChannel);
    EXPECT_EQ(mixer.setFilter(0, true, maximumFilterCutoff + 1, 0), ErrorCode::invalidArguments);
    EXPECT_EQ(mixer.setFilter(0, true, 0, maximumFilterResonance + 1), ErrorCode::invalidArguments);
}

}  // namespace
}  // namespace corvid
