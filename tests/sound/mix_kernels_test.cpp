// The tuned routines (block and single-frame forms) against the plain
// reference, bit for bit, over random data, positions, steps (both
// directions), gains, table rows, interpolation partners and sinc filters,
// unfiltered and through a resonant low-pass with a random history.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <random>
#include <vector>

#include "sound/mixer/mix_kernels.h"
#include "sound/mixer/sinc_filter.h"

namespace corvid {
namespace {

constexpr SampleType allTypes[] = {SampleType::pcm8Mono,   SampleType::pcm16Mono,   SampleType::muLawMono,
                                   SampleType::pcm8Stereo, SampleType::pcm16Stereo, SampleType::muLawStereo};

struct RandomSetting {
    std::vector<uint8_t> data;
    std::vector<int32_t> rows;
    std::vector<float> byteValues, muLawValues;
    std::vector<uint8_t> destination;  // room for int32 or float frames
    ResonantFilter filter;
};

MixJob randomJob(std::mt19937& random, RandomSetting& setting)
{
    std::uniform_int_distribution<int> byte(0, 255);
    for (uint8_t& b : setting.data)
        b = static_cast<uint8_t>(byte(random));
    std::uniform_int_distribution<int32_t> rowValue(-40000, 40000);
    for (int32_t& v : setting.rows)
        v = rowValue(random);
    std::uniform_real_distribution<float> value(-32768.0f, 32767.0f);
    for (float& v : setting.byteValues)
        v = value(random);
    for (float& v : setting.muLawValues)
        v = value(random);

    MixJob job;
    // The middle of the data, so that both directions and negative partners stay inside.
    job.source = setting.data.data() + (setting.data.size() / 2 & ~size_t{3});
    job.position = std::uniform_int_distribution<int32_t>(0, 0xFFFF)(random);
    job.step = std::uniform_int_distribution<int32_t>(-0x30000, 0x30000)(random);
    job.partnerOffset = std::uniform_int_distribution<int32_t>(-6, 1)(random);
    std::uniform_int_distribution<int> row(0, 32);
    job.rows[0] = &setting.rows[row(random) * 256];
    job.rows[1] = &setting.rows[row(random) * 256];
    job.scale[0] = std::uniform_int_distribution<int32_t>(0, 32767)(random);
    job.scale[1] = std::uniform_int_distribution<int32_t>(0, 32767)(random);
    std::uniform_real_distribution<float> gain(-1.5f, 1.5f);
    job.gain[0] = gain(random);
    job.gain[1] = gain(random);
    job.byteValues = setting.byteValues.data();
    job.muLawValues = setting.muLawValues.data();
    job.sincRows = sincRows(job.step);
    const uint32_t cutoff = std::uniform_int_distribution<uint32_t>(0, 127 * 256)(random);
    const uint32_t resonance = std::uniform_int_distribution<uint32_t>(0, 127)(random);
    setting.filter = resonantFilterFor(cutoff, resonance, 44100);
    std::uniform_real_distribution<double> history(-60000.0, 60000.0);
    setting.filter.last = {history(random), history(random)};
    setting.filter.beforeLast = {history(random), history(random)};
    job.filter = &setting.filter;
    // Low enough that some filtered integer values are held at it.
    job.filterLimit = 50000.0;
    return job;
}

// The sinc families decode bytes by arithmetic rather than the table; the
// two agree only for the mixer's own table.
void useTheMixersByteTable(RandomSetting& setting)
{
    for (int b = 0; b < 256; ++b)
        setting.byteValues[b] = static_cast<float>(b * 256 - 32768);
}

// One routine set: a family, a sample type, for integer stereo a pan case,
// and the filter.
struct Variant {
    MixFamily family;
    SampleType type;
    PanCase pan;
    bool filtered;
};

std::vector<Variant> allVariants()
{
    std::vector<Variant> variants;
    for (int f = 0; f < mixFamilyCount; ++f)
        for (SampleType type : allTypes)
            for (PanCase pan : {PanCase::normal, PanCase::centre, PanCase::surround})
                if (pan == PanCase::normal || static_cast<MixFamily>(f) == MixFamily::integerStereo)
                    for (bool filtered : {false, true})
                        variants.push_back({static_cast<MixFamily>(f), type, pan, filtered});
    return variants;
}

std::string variantName(const ::testing::TestParamInfo<Variant>& info)
{
    constexpr const char* families[] = {"integerMono",       "integerStereo",       "floatMono", "floatStereo",
                                        "interpolatingMono", "interpolatingStereo", "sincMono",  "sincStereo"};
    constexpr const char* types[] = {"pcm8Mono", "pcm16Mono", "muLawMono", "pcm8Stereo", "pcm16Stereo", "muLawStereo"};
    constexpr const char* pans[] = {"", "Centre", "Surround"};
    const auto type = static_cast<size_t>(std::find(std::begin(allTypes), std::end(allTypes), info.param.type) -
                                          std::begin(allTypes));
    return std::string(families[static_cast<int>(info.param.family)]) + "_" + types[type] +
           pans[static_cast<int>(info.param.pan)] + (info.param.filtered ? "Filtered" : "");
}

class MixKernelVariant : public ::testing::TestWithParam<Variant> {};

TEST_P(MixKernelVariant, TunedRoutinesMatchTheReferenceBitForBit)
{
    const auto [family, type, pan, filtered] = GetParam();
    std::mt19937 random(1234);
    RandomSetting setting;
    setting.data.resize(4096 * 4);
    setting.rows.resize(33 * 256);
    setting.byteValues.resize(256);
    setting.muLawValues.resize(256);
    constexpr uint32_t maxFrames = 61;

    const MixRoutines& routines = mixRoutines(family, type, pan, filtered);
    for (int trial = 0; trial < 40; ++trial) {
        const MixJob start = randomJob(random, setting);
        if (isSincFamily(family))
            useTheMixersByteTable(setting);
        const uint32_t frames = std::uniform_int_distribution<uint32_t>(0, maxFrames)(random);
        const size_t bytes = maxFrames * 2 * 4;
        std::vector<uint8_t> initial(bytes);
        // Small integers, valid as int32 and as float bit patterns.
        for (size_t i = 0; i < bytes; i += 4) {
            const float v = static_cast<float>(static_cast<int>(random() % 2001) - 1000);
            const int32_t iv = static_cast<int32_t>(v);
            if (isIntegerFamily(family))
                std::memcpy(&initial[i], &iv, 4);
            else
                std::memcpy(&initial[i], &v, 4);
        }

        std::vector<uint8_t> expected = initial;
        MixJob reference = start;
        ResonantFilter referenceFilter = setting.filter;
        reference.filter = &referenceFilter;
        reference.destination = expected.data();
        for (uint32_t i = 0; i < frames; ++i)
            referenceMixFrame(family, type, pan, filtered, reference);

        for (MixRoutine routine : {routines.blocks, routines.single}) {
            std::vector<uint8_t> actual = initial;
            MixJob tuned = start;
            ResonantFilter tunedFilter = setting.filter;
            tuned.filter = &tunedFilter;
            tuned.destination = actual.data();
            routine(tuned, frames);
            ASSERT_EQ(actual, expected) << "trial " << trial << ", " << frames << " frames";
            ASSERT_EQ(tuned.position, reference.position);
            ASSERT_EQ(tunedFilter.last, referenceFilter.last);
            ASSERT_EQ(tunedFilter.beforeLast, referenceFilter.beforeLast);
            const auto written = static_cast<uint8_t*>(reference.destination) - expected.data();
            ASSERT_EQ(tuned.destination, static_cast<void*>(actual.data() + written));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRoutine, MixKernelVariant, ::testing::ValuesIn(allVariants()), variantName);

}  // namespace
}  // namespace corvid
