// The mixer's channel and sample operations, its volume rule and its output
// stage.

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "mixer_test_support.h"
#include "sound/core/library.h"
#include "sound/mixer/mixer_device.h"
#include "sound/mixer/post_processing.h"

namespace corvid {
namespace {

using namespace corvid::testing;

constexpr uint32_t integerStereo16 = mixInteger | mixStereo | mixOutput16Bit;
constexpr uint32_t floatStereo16 = mixFloat | mixStereo | mixOutput16Bit;
constexpr uint32_t interpolatingStereo16 = mixInterpolating | mixStereo | mixOutput16Bit;

TEST(MixerFormat, FloatOrIntegerByRequestThenByVendor)
{
    EXPECT_TRUE(resolveMixerFormat(mixStereo, cpuOf("GenuineIntel")).floatMixing);
    EXPECT_FALSE(resolveMixerFormat(mixStereo, cpuOf("AuthenticAMD")).floatMixing);
    EXPECT_FALSE(resolveMixerFormat(mixStereo, platform::CpuInfo{}).floatMixing) << "no CPUID: integer";
    EXPECT_TRUE(resolveMixerFormat(mixFloat, cpuOf("AuthenticAMD")).floatMixing);
    EXPECT_FALSE(resolveMixerFormat(mixInteger, cpuOf("GenuineIntel")).floatMixing);
    const MixerFormat interpolating = resolveMixerFormat(mixInterpolating | mixInteger | mixMono, cpuOf("AuthenticAMD"));
    EXPECT_TRUE(interpolating.floatMixing);
    EXPECT_EQ(interpolating.family, MixFamily::interpolatingMono);
    EXPECT_EQ(resolveMixerFormat(mixStereo | mixOutput8Bit, cpuOf("")).family, MixFamily::integerStereo);
    EXPECT_TRUE(resolveMixerFormat(mixOutput8Bit, cpuOf("")).output8Bit);
    EXPECT_FALSE(resolveMixerFormat(0, cpuOf("")).output8Bit) << "16-bit when neither is given";
}

TEST(Mixer, ChannelAndSampleErrors)
{
    Mixer mixer;
    EXPECT_EQ(mixer.open(0, floatStereo16, cpuOf(""), {}), ErrorCode::invalidArguments);
    openMixer(mixer, floatStereo16, 2);
    uint32_t value = 0;
    int32_t signedValue = 0;
    EXPECT_EQ(mixer.playSound(2, 8000), ErrorCode::invalidChannel);
    EXPECT_EQ(mixer.setVolume(7, 10), ErrorCode::invalidChannel);
    EXPECT_EQ(mixer.getRate(2, value), ErrorCode::invalidChannel);
    EXPECT_EQ(mixer.getDirection(2, signedValue), ErrorCode::invalidChannel);
    EXPECT_EQ(mixer.setSample(0, 0), ErrorCode::invalidSampleHandle);
    EXPECT_EQ(mixer.setSample(0, 1), ErrorCode::invalidSampleHandle) << "slot not in use";
    EXPECT_EQ(mixer.setSample(0, 1025), ErrorCode::invalidSampleHandle);
    EXPECT_EQ(mixer.removeSample(3), ErrorCode::invalidSampleHandle);
    EXPECT_EQ(mixer.setVolume(0, 65), ErrorCode::invalidArguments);
    EXPECT_EQ(mixer.setPanning(0, 65), ErrorCode::invalidArguments);
    EXPECT_EQ(mixer.setPanning(0, 128), ErrorCode::ok);
    EXPECT_EQ(mixer.setMasterVolume(65), ErrorCode::invalidArguments);

    const std::vector<uint8_t> data(16, 128);
    uint32_t handle = 0;
    for (uint32_t i = 0; i < sampleSlotCount; ++i)
        ASSERT_EQ(mixer.addSample(describe(data, SampleType::pcm8Mono), true, handle), ErrorCode::ok);
    EXPECT_EQ(handle, 1024u);
    EXPECT_EQ(mixer.addSample(describe(data, SampleType::pcm8Mono), true, handle), ErrorCode::outOfSampleHandles);
    EXPECT_EQ(mixer.removeSample(5), ErrorCode::ok);
    EXPECT_EQ(mixer.addSample(describe(data, SampleType::pcm8Mono), true, handle), ErrorCode::ok);
    EXPECT_EQ(handle, 5u) << "the first free slot";

    EXPECT_EQ(mixer.closeChannels(), ErrorCode::ok);
    EXPECT_EQ(mixer.closeChannels(), ErrorCode::channelsNotOpen);
    EXPECT_EQ(mixer.setVolume(0, 10), ErrorCode::invalidChannel);
}

TEST(Mixer, SampleDescriptionsAreKeptInsideTheData)
{
    Mixer mixer;
    openMixer(mixer, floatStereo16, 1);
    const std::vector<uint8_t> data(101, 128);
    uint32_t handle = 0;

    SampleDescription odd = describe(data, SampleType::pcm16Mono, LoopType::forward, 20, 400);
    ASSERT_EQ(mixer.addSample(odd, true, handle), ErrorCode::ok);
    EXPECT_EQ(mixer.sampleSlot(handle).layout.length, 50u) << "an odd byte count drops the half frame";
    EXPECT_EQ(mixer.sampleSlot(handle).layout.loops[0].end, 50u) << "the loop is cut at the data's end";
    EXPECT_EQ(mixer.sampleSlot(handle).layout.loops[0].start, 10u);

    for (auto [start, end] : {std::pair{30u, 30u}, {60u, 10u}, {500u, 600u}}) {
        ASSERT_EQ(mixer.addSample(describe(data, SampleType::pcm8Mono, LoopType::forward, start, end), true, handle),
                  ErrorCode::ok);
        EXPECT_EQ(mixer.sampleSlot(handle).layout.loops[0].type, LoopType::none) << start << ".." << end;
    }

    SampleDescription empty;
    ASSERT_EQ(mixer.addSample(empty, true, handle), ErrorCode::ok);
    EXPECT_EQ(mixer.sampleSlot(handle).layout.length, 0u);
    EXPECT_EQ(mixer.sampleSlot(handle).layout.type, SampleType::none);

    SampleDescription badType = describe(data, static_cast<SampleType>(5));
    EXPECT_EQ(mixer.addSample(badType, true, handle), ErrorCode::invalidSampleType);
    SampleDescription noPointer = describe(data, SampleType::pcm8Mono);
    noPointer.data = nullptr;
    EXPECT_EQ(mixer.addSample(noPointer, true, handle), ErrorCode::invalidArguments);
    SampleDescription badLoop = describe(data, SampleType::pcm8Mono, static_cast<LoopType>(3), 0, 10);
    EXPECT_EQ(mixer.addSample(badLoop, true, handle), ErrorCode::invalidArguments);
}

TEST(Mixer, SixteenBitSamplesBecomeMuLawOnlyInIntegerModeWithTheOption)
{
    const std::vector<uint8_t> data = bytesOf16({0, 1000, -1000, 32767, -32768, 5, 6, 7});
    for (auto [format, muLaw, expected] :
         {std::tuple{integerStereo16, true, SampleType::muLawMono}, {integerStereo16, false, SampleType::pcm16Mono},
          {floatStereo16, true, SampleType::pcm16Mono}}) {
        Mixer mixer;
        openMixer(mixer, format, 1, 44100, {muLaw, 0});
        uint32_t handle = 0;
        ASSERT_EQ(mixer.addSample(describe(data, SampleType::pcm16Mono, LoopType::forward, 4, 12), true, handle),
                  ErrorCode::ok);
        const SampleLayout& layout = mixer.sampleSlot(handle).layout;
        EXPECT_EQ(layout.type, expected);
        EXPECT_EQ(layout.length, 8u);
        EXPECT_EQ(layout.loops[0].start, 2u);
        EXPECT_EQ(layout.loops[0].end, 6u);

        // Byte offsets keep counting 16-bit frames after the conversion.
        ASSERT_EQ(mixer.setSample(0, handle), ErrorCode::ok);
        ASSERT_EQ(mixer.playSound(0, 8000), ErrorCode::ok);
        ASSERT_EQ(mixer.setPosition(0, 6), ErrorCode::ok);
        EXPECT_EQ(mixer.channelRecord(0).position, 3u);
        uint32_t offset = 0;
        ASSERT_EQ(mixer.getPosition(0, offset), ErrorCode::ok);
        EXPECT_EQ(offset, 6u);
    }
    Mixer stereo;
    openMixer(stereo, integerStereo16, 1);
    uint32_t handle = 0;
    ASSERT_EQ(stereo.addSample(describe(data, SampleType::pcm16Stereo), true, handle), ErrorCode::ok);
    EXPECT_EQ(stereo.sampleSlot(handle).layout.type, SampleType::muLawStereo);
    EXPECT_EQ(stereo.sampleSlot(handle).layout.length, 4u);
}

TEST(Mixer, VolumeRule)
{
    Mixer mixer;
    openMixer(mixer, floatStereo16, 1);
    auto volumes = [&] { return mixer.channelRecord(0).currentVolume; };
    mixer.setVolume(0, 64);
    EXPECT_EQ(volumes(), (std::array<uint32_t, 2>{fullVolume, fullVolume}));
    mixer.setPanning(0, -64);
    EXPECT_EQ(volumes(), (std::array<uint32_t, 2>{fullVolume, 0u}));
    mixer.setPanning(0, 32);
    EXPECT_EQ(volumes(), (std::array<uint32_t, 2>{fullVolume / 2, fullVolume}));
    mixer.setPanning(0, 128);
    EXPECT_EQ(volumes(), (std::array<uint32_t, 2>{fullVolume, fullVolume}));
    mixer.setMasterVolume(32);
    EXPECT_EQ(volumes(), (std::array<uint32_t, 2>{fullVolume / 2, fullVolume / 2}));
    mixer.muteChannel(0, true);
    EXPECT_EQ(volumes(), (std::array<uint32_t, 2>{}));
    mixer.muteChannel(0, false);
    mixer.muteAll(true);
    EXPECT_EQ(volumes(), (std::array<uint32_t, 2>{}));
    mixer.muteAll(false);
    EXPECT_EQ(volumes()[0], fullVolume / 2);

    Mixer mono;
    openMixer(mono, mixFloat | mixMono, 1);
    mono.setVolume(0, 64);
    mono.setPanning(0, -64);
    EXPECT_EQ(mono.channelRecord(0).currentVolume, (std::array<uint32_t, 2>{fullVolume, fullVolume}))
        << "panning is ignored in mono output";
}

TEST(Mixer, InterpolatingModeRampsVolumeChanges)
{
    Mixer mixer;
    openMixer(mixer, interpolatingStereo16, 1);
    const std::vector<uint8_t> loud(64, 255);
    startSample(mixer, 0, describe(loud, SampleType::pcm8Mono, LoopType::forward, 0, 64), 44100);
    const std::vector<int16_t> out = mix16(mixer, 40);
    // From silence to 127 * 256 over 32 frames, 2^17 per frame of 2^22.
    EXPECT_EQ(out[0], 0);
    EXPECT_NEAR(out[2 * 16], 127 * 256 / 2, 300);
    EXPECT_EQ(out[2 * 32], 127 * 256);
    EXPECT_EQ(out[2 * 39], 127 * 256);

    // A stop hands the sound to the shadow, which fades out over 32 frames.
    ASSERT_EQ(mixer.stopSound(0), ErrorCode::ok);
    EXPECT_EQ(mixer.channelRecord(1).state, ChannelState::fading);
    const std::vector<int16_t> fade = mix16(mixer, 40);
    EXPECT_EQ(fade[0], 127 * 256);
    EXPECT_NEAR(fade[2 * 16], 127 * 256 / 2, 300);
    EXPECT_EQ(fade[2 * 32], 0);
    EXPECT_EQ(mixer.channelRecord(1).state, ChannelState::none);
}

TEST(Mixer, InterpolationReadsAcrossTheLoopEnd)
{
    Mixer mixer;
    openMixer(mixer, interpolatingStereo16, 1);
    const std::vector<uint8_t> data = {128, 138, 148, 158, 168};
    startSample(mixer, 0, describe(data, SampleType::pcm8Mono, LoopType::forward, 1, 5), 22050);
    mix16(mixer, 40);  // past the ramp; the walk is at frame 4.0 again
    const std::vector<int16_t> out = mix16(mixer, 4);
    EXPECT_EQ(out[0], 40 * 256);
    EXPECT_EQ(out[2], 25 * 256) << "frame 4.5 lies between the loop's last frame and its start";
    EXPECT_EQ(out[4], 10 * 256);
    EXPECT_EQ(out[6], 15 * 256);
}

TEST(Mixer, SilentChannelStillAdvances)
{
    Mixer mixer;
    openMixer(mixer, integerStereo16, 1);
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7);
    startSample(mixer, 0, describe(data, SampleType::pcm8Mono), 22050, 0);
    EXPECT_EQ(mix16(mixer, 100), std::vector<int16_t>(2 * 100));
    EXPECT_EQ(mixer.channelRecord(0).position, 50u);
    mixer.setVolume(0, 64);
    const std::vector<int16_t> out = mix16(mixer, 2);
    EXPECT_EQ(out[0], (data[50] - 128) * 256);
    EXPECT_EQ(out[2], (data[50] - 128) * 256) << "step 1/2: frame 50 twice";
}

TEST(Mixer, ForwardLoopOfOneFramePlaysItRepeatedly)
{
    for (uint32_t format : {integerStereo16, floatStereo16, interpolatingStereo16}) {
        Mixer mixer;
        openMixer(mixer, format, 1);
        const std::vector<uint8_t> data = {128, 200, 10, 10};
        startSample(mixer, 0, describe(data, SampleType::pcm8Mono, LoopType::forward, 1, 2), 30000);
        const std::vector<int16_t> out = mix16(mixer, 200);
        for (size_t frame = 100; frame < 200; ++frame)
            ASSERT_EQ(out[2 * frame], 72 * 256) << "format " << format << " frame " << frame;
        EXPECT_EQ(mixer.channelRecord(0).position, 1u);
    }
}

TEST(Mixer, PauseOutputsSilenceWithoutMovingChannels)
{
    Mixer mixer;
    openMixer(mixer, floatStereo16, 1);
    const std::vector<uint8_t> data(4000, 250);
    startSample(mixer, 0, describe(data, SampleType::pcm8Mono), 44100);
    mix16(mixer, 10);
    mixer.pause(true);
    EXPECT_EQ(mix16(mixer, 500), std::vector<int16_t>(2 * 500));
    EXPECT_EQ(mixer.channelRecord(0).position, 10u);
    mixer.pause(false);
    EXPECT_EQ(mix16(mixer, 1)[0], 122 * 256);
}

TEST(Mixer, UnloopedSampleEndsItsChannel)
{
    Mixer mixer;
    openMixer(mixer, integerStereo16, 1);
    const std::vector<uint8_t> data(100, 200);
    startSample(mixer, 0, describe(data, SampleType::pcm8Mono), 44100);
    uint32_t rate = 0;
    mixer.getRate(0, rate);
    EXPECT_EQ(rate, 44100u);
    const std::vector<int16_t> out = mix16(mixer, 150);
    EXPECT_EQ(out[2 * 99], 72 * 256);
    EXPECT_EQ(out[2 * 100], 0);
    EXPECT_EQ(mixer.channelRecord(0).state, ChannelState::stopped);
    mixer.getRate(0, rate);
    EXPECT_EQ(rate, 0u);
}

TEST(Mixer, SetPositionFollowsTheLoopType)
{
    Mixer mixer;
    openMixer(mixer, floatStereo16, 1);
    const std::vector<uint8_t> data(100, 128);
    uint32_t none = 0, forward = 0, pingPong = 0;
    mixer.addSample(describe(data, SampleType::pcm8Mono), true, none);
    mixer.addSample(describe(data, SampleType::pcm8Mono, LoopType::forward, 20, 60), true, forward);
    mixer.addSample(describe(data, SampleType::pcm8Mono, LoopType::pingPong, 20, 100), true, pingPong);
    const MixChannel& c = mixer.channelRecord(0);

    mixer.setSample(0, none);
    mixer.playSound(0, 8000);
    mixer.setPosition(0, 99);
    EXPECT_EQ(c.state, ChannelState::playing);
    mixer.setPosition(0, 100);
    EXPECT_EQ(c.state, ChannelState::stopped);

    mixer.setSample(0, forward);
    mixer.playSound(0, 8000);
    mixer.setPosition(0, 59);
    EXPECT_EQ(c.position, 59u);
    mixer.setPosition(0, 60);
    EXPECT_EQ(c.position, 20u);

    mixer.setSample(0, pingPong);
    mixer.playSound(0, 8000);
    mixer.setPosition(0, 200);
    EXPECT_EQ(c.direction, -1);
    EXPECT_EQ(c.position, 99u) << "just inside the loop end, which is the sample end";
    mix16(mixer, 50);  // reads backwards from there without leaving the data

    mixer.stopSound(0);
    mixer.setPosition(0, 10);
    EXPECT_EQ(c.state, ChannelState::none) << "a stopped channel stays stopped";
}

TEST(Mixer, ReleaseLeavesASustainLoopAtOnceInEveryFamily)
{
    // Four stretches of 20 frames at levels 10, 20, 30, 40, played at one
    // frame per output frame. The sustain loop turns over the second
    // stretch; released, the sound goes on from where it is: on into a loop
    // over the fourth (from the third, forward, even when the sustain loop
    // was heading back), wrapped at once into a loop over the first that
    // ends before it, or to the end without a loop.
    std::vector<uint8_t> data;
    for (uint8_t level : {10, 20, 30, 40})
        data.insert(data.end(), 20, static_cast<uint8_t>(128 + level));
    struct Case {
        const char* name;
        LoopType sustain;
        SampleLoop loop;
        uint32_t framesBefore;     // mixed before the release
        uint32_t firstFrame;       // after it, where the levels are read every 20 frames
        std::array<int, 4> levels;
        ChannelState end;
    };
    // Released at frame 24 (or, after a ping-pong turn, at 26 heading back);
    // the levels are read away from the stretches' edges.
    const Case cases[] = {
        {"on into the loop after it", LoopType::forward, {60, 80, LoopType::forward}, 64, 6, {20, 30, 40, 40},
         ChannelState::released},
        {"forward again after ping-pong", LoopType::pingPong, {60, 80, LoopType::forward}, 94, 4, {20, 30, 40, 40},
         ChannelState::released},
        {"wrapped into a loop ending before it", LoopType::forward, {0, 20, LoopType::forward}, 64, 6, {10, 10, 10, 10},
         ChannelState::released},
        {"to the end without a loop", LoopType::forward, {}, 64, 6, {20, 30, 40, 0}, ChannelState::stopped},
    };
    for (uint32_t format : {mixInteger | mixStereo, mixFloat | mixMono, mixInterpolating | mixStereo,
                            mixInterpolating | mixMono, mixSinc | mixStereo, mixSinc | mixMono}) {
        for (const Case& c : cases) {
            const std::string where = std::string(c.name) + ", format " + std::to_string(format);
            Mixer mixer;
            openMixer(mixer, format, 1, 44100, {false, 0});
            SampleDescription d = describe(data, SampleType::pcm8Mono, c.sustain, 20, 40);
            d.loopMode = LoopMode::twoLoopsLeftAtOnce;
            d.loop2 = c.loop;
            startSample(mixer, 0, d, 44100);
            mix16(mixer, c.framesBefore);
            ASSERT_EQ(mixer.releaseSound(0), ErrorCode::ok);
            const std::vector<int16_t> out = mix16(mixer, 80);
            const uint32_t sides = mixer.format().stereo ? 2 : 1;
            for (size_t i = 0; i < c.levels.size(); ++i) {
                const size_t frame = c.firstFrame + 20 * i;
                EXPECT_NEAR(out[sides * frame], c.levels[i] * 256, 64) << where << ", frame " << frame;
            }
            EXPECT_EQ(mixer.channelRecord(0).state, c.end) << where;
            // A new note with one loop cannot be released.
            startSample(mixer, 0, describe(data, SampleType::pcm8Mono, LoopType::forward, 20, 40), 44100);
            mixer.releaseSound(0);
            EXPECT_EQ(mixer.channelRecord(0).state, ChannelState::playing) << where;
        }
    }
}

TEST(Mixer, AmigaSampleTakesOverAtTheLoopEnd)
{
    Mixer mixer;
    openMixer(mixer, integerStereo16, 1);
    const std::vector<uint8_t> first(40, 150), second(40, 100);
    SampleDescription a = describe(first, SampleType::pcm8Mono, LoopType::forward, 0, 40);
    a.loopMode = LoopMode::amigaLooped;
    SampleDescription b = describe(second, SampleType::pcm8Mono, LoopType::forward, 30, 40);
    b.loopMode = LoopMode::amigaLooped;
    startSample(mixer, 0, a, 44100);
    uint32_t handleB = 0;
    mixer.addSample(b, true, handleB);
    mix16(mixer, 10);
    mixer.setSample(0, handleB);
    const std::vector<int16_t> out = mix16(mixer, 60);
    EXPECT_EQ(out[2 * 29], 22 * 256) << "the old sample plays on to its loop end";
    EXPECT_EQ(out[2 * 30], -28 * 256) << "then the new one, from its loop start";
    EXPECT_GE(mixer.channelRecord(0).position, 30u);

    // On a channel whose sound ended, the new looped sample starts at once.
    Mixer ended;
    openMixer(ended, integerStereo16, 1);
    startSample(ended, 0, describe(first, SampleType::pcm8Mono), 44100);
    mix16(ended, 50);
    ASSERT_EQ(ended.channelRecord(0).state, ChannelState::stopped);
    uint32_t handle = 0;
    ended.addSample(b, true, handle);
    ended.setSample(0, handle);
    EXPECT_EQ(ended.channelRecord(0).state, ChannelState::playing);
    EXPECT_EQ(ended.channelRecord(0).position, 30u);
}

TEST(Mixer, RemovingASampleStopsTheChannelsPlayingIt)
{
    Mixer mixer;
    openMixer(mixer, floatStereo16, 1);
    const std::vector<uint8_t> data(100, 200);
    const uint32_t handle = startSample(mixer, 0, describe(data, SampleType::pcm8Mono, LoopType::forward, 0, 100), 8000);
    ASSERT_EQ(mixer.removeSample(handle), ErrorCode::ok);
    EXPECT_EQ(mixer.channelRecord(0).state, ChannelState::none);
    EXPECT_EQ(mix16(mixer, 100), std::vector<int16_t>(2 * 100));
}

TEST(Mixer, AMovedSoundGoesOnUnchangedAndItsOldChannelIsFree)
{
    // A looped ramp moved from channel 0 to background channel 2 mid-sound:
    // the output is the unmoved mix's (of a mixer without background
    // channels: they leave the level alone), in every family; channel 0 is
    // silent, ready for a new note; the sound channel 2 had is faded out
    // (interpolating) or gone.
    std::vector<int16_t> ramp(200);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(i * 150 - 15000);
    const std::vector<uint8_t> bytes = bytesOf16(ramp);
    const SampleDescription sample = describe(bytes, SampleType::pcm16Mono, LoopType::pingPong, 20, 400);
    for (uint32_t format : {integerStereo16, floatStereo16, interpolatingStereo16, mixSinc | mixStereo}) {
        Mixer moved, still;
        openMixer(moved, format, 1, 44100, {true, 0}, 2);
        openMixer(still, format, 1);
        startSample(moved, 0, sample, 30000, 50, -20);
        startSample(still, 0, sample, 30000, 50, -20);
        EXPECT_EQ(mix16(moved, 700), mix16(still, 700));
        ASSERT_EQ(moved.moveSound(0, 2), ErrorCode::ok);
        EXPECT_EQ(mix16(moved, 900), mix16(still, 900)) << format;
        bool sounding = true;
        ASSERT_EQ(moved.getSounding(0, sounding), ErrorCode::ok);
        EXPECT_FALSE(sounding);
        ASSERT_EQ(moved.getSounding(2, sounding), ErrorCode::ok);
        EXPECT_TRUE(sounding);
        // Moving onto a sounding channel replaces its sound.
        ASSERT_EQ(moved.playSound(0, 30000), ErrorCode::ok);
        ASSERT_EQ(moved.moveSound(2, 0), ErrorCode::ok);
        ASSERT_EQ(moved.getSounding(2, sounding), ErrorCode::ok);
        EXPECT_FALSE(sounding);
    }
    Mixer mixer;
    openMixer(mixer, integerStereo16, 2);
    EXPECT_EQ(mixer.moveSound(0, 2), ErrorCode::invalidChannel);
    EXPECT_EQ(mixer.moveSound(1, 1), ErrorCode::invalidArguments);
}

TEST(OutputStage, FloatValuesRoundTo16BitAndTruncateTo8Bit)
{
    // Integer values are checked over their whole range, clamping included,
    // by the test below.
    int16_t out16[7];
    uint8_t out8[7];
    const float floats[] = {1.4f, 1.6f, -1.6f, 255.9f, -0.5f, 1e9f, -1e9f};
    convertToOutput(floats, 7, false, out16);
    EXPECT_EQ(out16[0], 1);
    EXPECT_EQ(out16[1], 2) << "16-bit output rounds to nearest";
    EXPECT_EQ(out16[2], -2);
    EXPECT_EQ(out16[5], 32767);
    EXPECT_EQ(out16[6], -32768);
    convertToOutput(floats, 7, true, out8);
    EXPECT_EQ(out8[3], 128) << "8-bit output truncates: 255.9 -> 255 -> 0";
    EXPECT_EQ(out8[4], 128) << "-0.5 truncates to 0, not -1";
}

TEST(OutputStage, LongBuffersConvertValueByValueToAnyAddress)
{
    // Longer than the converter's chunk and written one byte off alignment:
    // every value lands where a value-by-value conversion puts it.
    constexpr uint32_t count = 1000;
    std::vector<int32_t> values(count);
    for (uint32_t i = 0; i < count; ++i)
        values[i] = static_cast<int32_t>(i * 7919 % 90001) - 45000;
    std::vector<uint8_t> out(2 * count + 1, 0xAA);
    convertToOutput(values.data(), count, false, out.data() + 1);
    convertToOutput(values.data(), count, true, out.data());  // the first half again, as 8-bit
    for (uint32_t i = 0; i < count; ++i) {
        const int32_t clamped = std::clamp(values[i], -32768, 32767);
        ASSERT_EQ(out[i], static_cast<uint8_t>((clamped >> 8) + 128)) << i;
        if (2 * i + 1 >= count) {  // beyond what the 8-bit pass overwrote
            int16_t sample;
            std::memcpy(&sample, &out[2 * i + 1], 2);
            ASSERT_EQ(sample, clamped) << i;
        }
    }
}

// The tuned filter against the plain one, on values over the whole 32-bit
// range (the extremes too), in chunks of every size around the tuned form's
// block, mono and stereo, both modes, integer and float.
TEST(OutputStage, TunedFilterAgreesWithThePlainOne)
{
    std::mt19937 random(7);
    std::vector<int32_t> integers(4000);
    std::vector<float> floats(integers.size());
    for (size_t i = 0; i < integers.size(); ++i) {
        const uint32_t pick = random() % 8;
        integers[i] = pick == 0   ? std::numeric_limits<int32_t>::min()
                      : pick == 1 ? std::numeric_limits<int32_t>::max()
                      : pick < 4  ? static_cast<int32_t>(random() % 65536) - 32768
                                  : static_cast<int32_t>(random());
        floats[i] = static_cast<float>(integers[i]) / 1024.0f;
    }
    for (const int32_t mode : {1, 2}) {
        for (const int channels : {1, 2}) {
            OutputFilter tuned, plain;
            tuned.mode = plain.mode = mode;
            std::vector<int32_t> a = integers, b = integers;
            std::vector<float> fa = floats, fb = floats;
            const uint32_t total = static_cast<uint32_t>(integers.size()) / channels;
            for (uint32_t at = 0, step = 1; at < total; at += step, step = step * 5 % 397 + 1) {
                const uint32_t frames = std::min(step, total - at);
                applyFilter(tuned, a.data() + at * channels, frames, channels);
                applyFilterReference(plain, b.data() + at * channels, frames, channels);
                applyFilter(tuned, fa.data() + at * channels, frames, channels);
                applyFilterReference(plain, fb.data() + at * channels, frames, channels);
            }
            ASSERT_EQ(a, b) << "mode " << mode << ", " << channels << " channels";
            ASSERT_EQ(fa, fb) << "mode " << mode << ", " << channels << " channels";
            EXPECT_EQ(tuned.integerHistory, plain.integerHistory);
        }
    }
}

// Filtering a block whole or in chunks gives the same values: each chunk
// starts from the history the one before left; in stereo each side keeps its own.
TEST(OutputStage, FiltersKeepTheirHistoryFromChunkToChunk)
{
    std::vector<int32_t> values(64);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<int32_t>((i * 7919) % 4001) - 2000;
    for (int32_t mode : {1, 2}) {
        PostProcessChain whole, chunked, stereo, left;
        whole.build(mode);
        chunked.build(mode);
        std::vector<int32_t> a = values, b = values;
        whole.run(a.data(), 64, false);
        for (uint32_t at = 0, step = 1; at < 64; at += step, step = step % 7 + 1)
            chunked.run(b.data() + at, std::min<uint32_t>(step, 64 - at), false);
        EXPECT_EQ(a, b) << "mode " << mode;
        EXPECT_NE(a, values) << "the filter changes the signal";

        stereo.build(mode);
        left.build(mode);
        std::vector<int32_t> pairs(128), leftOnly = values;
        for (size_t i = 0; i < 64; ++i)
            pairs[2 * i] = values[i], pairs[2 * i + 1] = -values[63 - i];
        stereo.run(pairs.data(), 64, true);
        left.run(leftOnly.data(), 64, false);
        for (size_t i = 0; i < 64; ++i)
            ASSERT_EQ(pairs[2 * i], leftOnly[i]) << "mode " << mode << " frame " << i;
    }
}

TEST(SharedMixer, DeviceOperationsReachTheSharedMixerWithTheLibraryOptions)
{
    resetLibraryCore();
    libraryCore().options.set(static_cast<int32_t>(Option::muLawSamples), 0);
    ASSERT_EQ(openSharedMixer(22050, mixInteger | mixStereo | mixOutput8Bit), ErrorCode::ok);
    SoundDeviceOperations ops;
    installMixerOperations(ops);
    uint32_t value = 0;
    ASSERT_EQ(ops.getMixingRate(&sharedMixer(), value), ErrorCode::ok);
    EXPECT_EQ(value, 22050u);
    ASSERT_EQ(ops.openChannels(&sharedMixer(), 5, 0), ErrorCode::ok);
    ops.getAmplification(&sharedMixer(), value);
    EXPECT_EQ(value, 70u);
    EXPECT_EQ(ops.setVolume(&sharedMixer(), 5, 1), ErrorCode::invalidChannel);

    const std::vector<uint8_t> data(64, 0);
    SampleDescription sample = describe(data, SampleType::pcm16Mono);
    uint32_t handle = 0;
    ASSERT_EQ(ops.addSample(&sharedMixer(), sample, true, handle), ErrorCode::ok);
    EXPECT_EQ(sharedMixer().sampleSlot(handle).layout.type, SampleType::pcm16Mono) << "option 9 off: no mu-law";
    uint8_t out[8];
    ASSERT_EQ(mixSharedMixer(4, out), ErrorCode::ok);
    EXPECT_EQ(out[0], 128);
    EXPECT_EQ(closeSharedMixer(), ErrorCode::ok);
    resetLibraryCore();
}

}  // namespace
}  // namespace corvid
