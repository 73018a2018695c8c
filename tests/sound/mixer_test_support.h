#pragma once
// Shared set-up for the mixer tests: an opened mixer with its channels, and
// samples built in the test.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "sound/mixer/mixer.h"

namespace corvid::testing {

// The format bits of every mixing family, mono and stereo.
constexpr uint32_t everyFamily[] = {mixMono | mixInteger,        mixStereo | mixInteger, mixMono | mixFloat,
                                    mixStereo | mixFloat,        mixMono | mixInterpolating,
                                    mixStereo | mixInterpolating, mixMono | mixSinc,      mixStereo | mixSinc};

inline platform::CpuInfo cpuOf(const char* vendor)
{
    platform::CpuInfo cpu;
    cpu.hasCpuid = true;
    cpu.vendor = vendor;
    return cpu;
}

// Opens `mixer` with the format bits and channels (and background channels
// after them); the filter is off unless asked for.
inline void openMixer(Mixer& mixer, uint32_t formatBits, uint32_t channels, uint32_t rate = 44100,
                      MixerSettings settings = {true, 0}, uint32_t backgroundChannels = 0)
{
    ASSERT_EQ(mixer.open(rate, formatBits, cpuOf("AuthenticAMD"), settings), ErrorCode::ok);
    ASSERT_EQ(mixer.openChannels(channels, backgroundChannels), ErrorCode::ok);
}

inline SampleDescription describe(const std::vector<uint8_t>& bytes, SampleType type, LoopType loopType = LoopType::none,
                                  uint32_t loopStart = 0, uint32_t loopEnd = 0)
{
    SampleDescription d;
    d.data = bytes.data();
    d.dataPresent = 1;
    d.type = type;
    d.length = static_cast<uint32_t>(bytes.size());
    d.loopMode = loopType == LoopType::none ? LoopMode::none : LoopMode::loop;
    d.loop1 = {loopStart, loopEnd, loopType};
    return d;
}

inline std::vector<uint8_t> bytesOf16(const std::vector<int16_t>& values)
{
    std::vector<uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

// Mixes `frames` frames of 16-bit output.
inline std::vector<int16_t> mix16(Mixer& mixer, uint32_t frames)
{
    std::vector<int16_t> out(frames * (mixer.format().stereo ? 2 : 1));
    EXPECT_EQ(mixer.mix(frames, out.data()), ErrorCode::ok);
    return out;
}

// Adds the sample and starts it on the channel at full volume.
inline uint32_t startSample(Mixer& mixer, uint32_t channel, const SampleDescription& sample, uint32_t rate,
                            uint32_t volume = 64, int32_t panning = 0)
{
    uint32_t handle = 0;
    EXPECT_EQ(mixer.addSample(sample, true, handle), ErrorCode::ok);
    EXPECT_EQ(mixer.setSample(channel, handle), ErrorCode::ok);
    EXPECT_EQ(mixer.setVolume(channel, volume), ErrorCode::ok);
    EXPECT_EQ(mixer.setPanning(channel, panning), ErrorCode::ok);
    EXPECT_EQ(mixer.playSound(channel, rate), ErrorCode::ok);
    return handle;
}

}  // namespace corvid::testing
