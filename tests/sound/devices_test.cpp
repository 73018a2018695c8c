// The output devices: tick arithmetic, wave-out block layout and format
// fallback, the silent and capture devices on a virtual clock, DirectSound's
// detection rules and buffer arithmetic, and the service pass.

#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "sound/core/library.h"
#include "sound/devices/capture_device.h"
#include "sound/devices/direct_sound_device.h"
#include "sound/devices/service.h"
#include "sound/devices/silent_device.h"
#include "sound/devices/wave_out_device.h"
#include "sound/mixer/mixer_device.h"

namespace corvid {
namespace {

TEST(TickCounter, SamplesPerTickAreEven)
{
    EXPECT_EQ(samplesPerTickFor(44100, 5000), 882u);
    EXPECT_EQ(samplesPerTickFor(4000, 5000), 80u) << "the silent device at 50 Hz";
    EXPECT_EQ(samplesPerTickFor(44100, 125 * 40), 882u);
    EXPECT_EQ(samplesPerTickFor(44100, 6000), 736u) << "735 + 1 is already even";
    EXPECT_EQ(samplesPerTickFor(22050, 3200), 690u) << "689 + 1";
    EXPECT_EQ(samplesPerTickFor(44100, 0), 0u);

    TickCounter ticks;
    ticks.start(44100);
    EXPECT_EQ(ticks.samplesUntilTick, 882u);
    EXPECT_FALSE(ticks.consume(800));
    EXPECT_TRUE(ticks.consume(82));
    EXPECT_EQ(ticks.samplesUntilTick, 882u) << "reloaded";
    // The player sets a tempo on the tick just announced: that tick has it.
    ticks.setUpdateRate(44100, 6000);
    EXPECT_EQ(ticks.samplesUntilTick, 736u);
    // Once the tick has begun, the new rate waits for the next one.
    EXPECT_FALSE(ticks.consume(36));
    ticks.setUpdateRate(44100, 5000);
    EXPECT_EQ(ticks.samplesUntilTick, 700u);
    EXPECT_TRUE(ticks.consume(700));
    EXPECT_EQ(ticks.samplesUntilTick, 882u);
}

TEST(WaveOutLayout, BlocksOfFifteenMillisecondsUpToSixtyFour)
{
    const WaveOutLayout halfSecond = waveOutLayout(4, 44100, 500);
    EXPECT_EQ(halfSecond.blockCount, 33u);
    EXPECT_EQ(halfSecond.blockSize, 2672u);
    EXPECT_EQ(waveOutLayout(4, 44100, 1000).blockCount, 64u);
    EXPECT_EQ(waveOutLayout(4, 44100, 5000).blockCount, 64u);
    EXPECT_EQ(waveOutLayout(4, 44100, 5000).blockSize, 13792u) << "13781 rounded up to 16";
    EXPECT_EQ(waveOutLayout(1, 8000, 15).blockSize, 128u) << "120 rounded up to 16";
    EXPECT_EQ(waveOutLayout(4, 44100, 14).blockCount, 0u) << "too short for one block";
    EXPECT_EQ(waveOutLayout(4, 44100, -500).blockCount, 0u);
    EXPECT_EQ(waveOutLayout(4, 44100, 3600000).blockSize, 9922512u) << "9922500 rounded up; no 32-bit wrap";
}

TEST(WaveOutFormat, ModesFromOutputBits)
{
    EXPECT_EQ(waveModeFor(0), waveStereo16);
    EXPECT_EQ(waveModeFor(outputMono), waveMono16);
    EXPECT_EQ(waveModeFor(outputMono | output8Bit), waveMono8);
    EXPECT_EQ(waveModeFor(outputStereo | output8Bit), waveStereo8);
    const std::pair<uint32_t, uint32_t> mixerFormats[] = {{5, 5}, {6, 17}, {9, 6}, {10, 18}};
    for (auto [mode, format] : mixerFormats)
        EXPECT_EQ(waveMixerFormat(mode), format) << "mode " << mode;
    EXPECT_EQ(waveBytesPerFrame(waveMono8), 1u);
    EXPECT_EQ(waveBytesPerFrame(waveStereo16), 4u);
    const platform::WaveFormat format = waveFormatFor(waveStereo8, 22050);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.bits, 8);
    EXPECT_EQ(format.rate, 22050);
}

TEST(WaveOutFormat, FallbackWalksModesDownAndRatesDown)
{
    std::vector<std::pair<uint32_t, uint32_t>> asked;
    auto only = [&asked](uint32_t mode, uint32_t rate) {
        return [&asked, mode, rate](const WaveOutChoice& c) {
            asked.emplace_back(c.mode, c.rate);
            return c.mode == mode && c.rate == rate;
        };
    };
    WaveOutChoice chosen = chooseWaveOutFormat({waveStereo16, 44100}, only(waveStereo16, 44100));
    EXPECT_EQ(asked.size(), 1u) << "an accepted request is kept at once";

    asked.clear();
    chosen = chooseWaveOutFormat({waveStereo16, 48000}, only(waveMono16, 22050));
    EXPECT_EQ(chosen.mode, waveMono16);
    EXPECT_EQ(chosen.rate, 22050u);
    ASSERT_GE(asked.size(), 4u);
    EXPECT_EQ(asked[1], std::make_pair(waveStereo16, 44100u));
    EXPECT_EQ(asked[2], std::make_pair(waveStereo16, 37800u));
    EXPECT_EQ(asked[8], std::make_pair(waveMono16, 44100u)) << "all seven rates of the first mode before the next";

    chosen = chooseWaveOutFormat({waveMono8, 44100}, only(waveStereo16, 44100));
    EXPECT_EQ(chosen.mode, waveMono8) << "the walk never goes up from the requested mode";

    asked.clear();
    chosen = chooseWaveOutFormat({waveStereo8, 11025}, [&asked](const WaveOutChoice& c) {
        asked.emplace_back(c.mode, c.rate);
        return false;
    });
    EXPECT_EQ(chosen.mode, waveStereo8);
    EXPECT_EQ(chosen.rate, 11025u) << "nothing accepted: the request stands";
    EXPECT_EQ(asked.size(), 1u + 14u) << "two modes of seven rates";
}

// Runs a device on a virtual clock, restoring the real one afterwards.
class DeviceClockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetLibraryCore();
        installDevices();
        setDeviceClock(&clock);
    }
    void TearDown() override
    {
        setDeviceClock(nullptr);
        resetLibraryCore();
    }

    // Service steps until one asks for no player tick; returns the ticks asked for.
    static int serviceSteps(const SoundDevice& device)
    {
        int ticks = 0;
        bool callPlayer = true;
        while (callPlayer) {
            EXPECT_EQ(device.operations.serviceStep(device.context, callPlayer), ErrorCode::ok);
            ticks += callPlayer ? 1 : 0;
        }
        return ticks;
    }

    platform::VirtualClock clock;
};

TEST_F(DeviceClockTest, SilentDeviceMixesFourThousandFramesPerSecondOfClock)
{
    SoundDevice& device = silentDevice();
    SilentDeviceState& state = silentDeviceState();
    ASSERT_EQ(device.operations.open(device.context, 44100, 0), ErrorCode::ok);
    uint32_t mode = 0;
    device.operations.getOutputMode(device.context, mode);
    EXPECT_EQ(mode, 9u);

    clock.advanceMs(12);
    device.operations.startPass(device.context);
    EXPECT_EQ(state.pendingFrames, 48u);
    EXPECT_EQ(serviceSteps(device), 0);
    EXPECT_EQ(state.ticks.samplesUntilTick, 80u - 48u);

    clock.advanceMs(8);
    device.operations.startPass(device.context);
    EXPECT_EQ(state.pendingFrames, 0u) << "a gap of 9 ms or less counts as none";

    clock.advanceMs(100);
    device.operations.startPass(device.context);
    EXPECT_EQ(serviceSteps(device), 5) << "400 frames after 32 pending: five ticks";
    EXPECT_EQ(state.ticks.samplesUntilTick, 80u - 48u);

    clock.advanceMs(60000);
    device.operations.startPass(device.context);
    EXPECT_EQ(state.pendingFrames, 8000u) << "at most two seconds count";

    device.operations.suspend(device.context);
    bool callPlayer = true;
    device.operations.serviceStep(device.context, callPlayer);
    EXPECT_FALSE(callPlayer) << "a paused device mixes nothing";
    device.operations.resume(device.context);

    device.operations.setUpdateRate(device.context, 6000);
    EXPECT_EQ(state.ticks.samplesPerTick, 66u);  // 400000 / 6000 + 1, even
    EXPECT_EQ(device.operations.close(device.context), ErrorCode::ok);
}

TEST(SilentDevice, ElapsedTimeRules)
{
    EXPECT_EQ(silentFramesFor(9), 0u);
    EXPECT_EQ(silentFramesFor(10), 40u);
    EXPECT_EQ(silentFramesFor(2000), 8000u);
    EXPECT_EQ(silentFramesFor(2001), 8000u);
}

class CollectingSink : public SoundSink {
public:
    void writeSound(std::span<const int16_t> frames) override { samples.insert(samples.end(), frames.begin(), frames.end()); }
    std::vector<int16_t> samples;
};

TEST_F(DeviceClockTest, CaptureMixesExactlyAsFarAsItsClock)
{
    CollectingSink sink;
    platform::VirtualClock captureClock;
    captureClock.advanceMs(5000);  // open need not be at time 0
    CaptureDeviceState& state = captureDeviceState();
    state.clock = &captureClock;
    state.sink = &sink;
    SoundDevice& device = captureDevice();
    bool found = true;
    device.operations.detect(device.context, found);
    EXPECT_FALSE(found) << "never detected";
    ASSERT_EQ(device.operations.open(device.context, 0, 0), ErrorCode::ok);

    int ticks = 0;
    uint64_t elapsed = 0;
    for (int pass = 0; pass < 100; ++pass) {
        captureClock.advanceMs(33);
        elapsed += platform::Clock::ticksForMs(33);
        device.operations.startPass(device.context);
        ticks += serviceSteps(device);
        EXPECT_EQ(sink.samples.size(), captureFramesFor(elapsed) * 2) << "pass " << pass;
    }
    EXPECT_EQ(captureFramesFor(elapsed), 145534u) << "100 x 34604 ticks at 44100 Hz, to the frame";
    EXPECT_EQ(ticks, 145534 / 882);
    EXPECT_EQ(device.operations.close(device.context), ErrorCode::ok);
    state.clock = nullptr;
    state.sink = nullptr;
}

TEST_F(DeviceClockTest, EveryDeviceHandsTheResamplingOnToTheMixer)
{
    // Output mode bit 16 asks for sinc mixing before the mixing mode option.
    CollectingSink sink;
    captureDeviceState().clock = &clock;
    captureDeviceState().sink = &sink;
    for (SoundDevice* device : {&waveOutDevice(), &captureDevice()}) {
        for (auto [outputMode, mixingMode, family] : {std::tuple{0u, 0, MixFamily::floatStereo},
                                                      {0u, 1, MixFamily::interpolatingStereo},
                                                      {outputSincMixing, 0, MixFamily::sincStereo},
                                                      {outputSincMixing | outputStereo | output16Bit, 1, MixFamily::sincStereo}}) {
            libraryCore().options.set(static_cast<int32_t>(Option::mixingMode), mixingMode);
            ASSERT_EQ(device->operations.open(device->context, 44100, outputMode), ErrorCode::ok) << device->name;
            // Nearest-frame mixing is float or integer by the processor, but on capture.
            if (family != MixFamily::floatStereo || device == &captureDevice()) {
                EXPECT_EQ(sharedMixer().format().family, family) << device->name << " mode " << outputMode;
            }
            EXPECT_EQ(device->operations.close(device->context), ErrorCode::ok);
        }
    }
    libraryCore().options.set(static_cast<int32_t>(Option::mixingMode), 0);
    captureDeviceState().mixing = CaptureMixing::sinc;
    ASSERT_EQ(captureDevice().operations.open(captureDevice().context, 0, 0), ErrorCode::ok);
    EXPECT_EQ(sharedMixer().format().family, MixFamily::sincStereo);
    EXPECT_EQ(captureDevice().operations.close(captureDevice().context), ErrorCode::ok);
    captureDeviceState().mixing = CaptureMixing::floatingPoint;
    captureDeviceState().clock = nullptr;
    captureDeviceState().sink = nullptr;
}

TEST(CaptureDevice, FramesFollowTheClockWithoutOverflow)
{
    EXPECT_EQ(captureFramesFor(platform::Clock::ticksPerSecond), 44100u);
    EXPECT_EQ(captureFramesFor(platform::Clock::ticksPerSecond / 2), 22050u);
    const uint64_t year = uint64_t{365} * 24 * 3600;
    EXPECT_EQ(captureFramesFor(year * platform::Clock::ticksPerSecond), year * 44100);
}

TEST_F(DeviceClockTest, WaveOutRefusesABufferShorterThanOneBlock)
{
    libraryCore().options.set(3, 14);
    EXPECT_EQ(waveOutDevice().operations.open(waveOutDevice().context, 44100, 0), ErrorCode::invalidArguments);
    EXPECT_FALSE(waveOutDeviceState().output.isOpen()) << "nothing left open";
}

// The first step sends one block and stops inside the next at the tick; a
// pass then sends every block once before the ring waits for the card.
TEST_F(DeviceClockTest, WaveOutFillsBlocksUpToEachTickAndOneRoundPerPass)
{
    SoundDevice& device = waveOutDevice();
    WaveOutDeviceState& state = waveOutDeviceState();
    ASSERT_EQ(device.operations.open(device.context, 44100, 0), ErrorCode::ok);
    uint32_t mode = 0;
    device.operations.getOutputMode(device.context, mode);
    EXPECT_EQ(mode, waveStereo16);

    device.operations.startPass(device.context);
    bool callPlayer = false;
    ASSERT_EQ(device.operations.serviceStep(device.context, callPlayer), ErrorCode::ok);
    EXPECT_TRUE(callPlayer);
    EXPECT_EQ(state.bytesFilled, 882u * 4 - 2672u) << "one block sent, the tick ended inside the next";
    EXPECT_EQ(state.fillIndex, 1u);
    EXPECT_EQ(state.blocksSentThisPass, 1u);
    int ticks = 1;
    while (callPlayer && ticks < 1000) {
        ASSERT_EQ(device.operations.serviceStep(device.context, callPlayer), ErrorCode::ok);
        ticks += callPlayer ? 1 : 0;
    }
    // The card has consumed at most a few blocks in the meantime.
    EXPECT_GE(state.blocksSentThisPass, 33u);
    EXPECT_LE(state.blocksSentThisPass, 34u);
    EXPECT_GE(ticks, 33 * 2672 / (882 * 4));
    device.operations.suspend(device.context);
    EXPECT_FALSE(state.output.isOpen());
    device.operations.serviceStep(device.context, callPlayer);
    EXPECT_FALSE(callPlayer);
    ASSERT_EQ(device.operations.resume(device.context), ErrorCode::ok);
    EXPECT_TRUE(state.output.isOpen());
    EXPECT_EQ(device.operations.close(device.context), ErrorCode::ok);
    EXPECT_FALSE(state.output.isOpen());
}

TEST_F(DeviceClockTest, WaveOutReportsNotAvailableOnceItsCardIsLost)
{
    SoundDevice& device = waveOutDevice();
    WaveOutDeviceState& state = waveOutDeviceState();
    ASSERT_EQ(device.operations.open(device.context, 44100, 0), ErrorCode::ok);
    device.operations.startPass(device.context);
    bool callPlayer = true;
    ASSERT_EQ(device.operations.serviceStep(device.context, callPlayer), ErrorCode::ok);  // one block on its way
    state.output.markLost();
    // The queued block comes back, the ring fills on, and the next block sent is refused.
    ErrorCode error = ErrorCode::ok;
    for (int step = 0; step < 100 && error == ErrorCode::ok; ++step)
        error = device.operations.serviceStep(device.context, callPlayer);
    EXPECT_EQ(error, ErrorCode::deviceNotAvailable);
    EXPECT_EQ(device.operations.close(device.context), ErrorCode::ok) << "closing does not wait for the lost card";
    EXPECT_FALSE(state.output.isOpen());
}

TEST_F(DeviceClockTest, DirectSoundDetection)
{
    OptionValues& options = libraryCore().options;
    const SoundDeviceOperations& ops = directSoundDevice().operations;
    bool found = true;
    EXPECT_EQ(ops.detect(nullptr, found), ErrorCode::ok);
    EXPECT_FALSE(found) << "usage mode 0: never";

    options.set(5, 1);
    EXPECT_EQ(ops.detect(nullptr, found), ErrorCode::noWindowHandle);
    EXPECT_FALSE(found);

    options.set(6, 1234);
    EXPECT_EQ(ops.detect(nullptr, found), ErrorCode::ok);
    EXPECT_TRUE(found) << "a working output";
    EXPECT_EQ(directSoundDeviceState().window, 1234);

    directSoundDeviceState().neverUse = true;
    EXPECT_EQ(ops.detect(nullptr, found), ErrorCode::ok);
    EXPECT_FALSE(found) << "the viewer said never";
    options.set(5, 3);
    EXPECT_EQ(ops.detect(nullptr, found), ErrorCode::ok);
    EXPECT_TRUE(found) << "usage mode 3 overrides the setting";
    options.set(5, 1);
    options.set(7, 1);
    EXPECT_EQ(ops.detect(nullptr, found), ErrorCode::ok);
    EXPECT_TRUE(found) << "a given object overrides it too";
    directSoundDeviceState().neverUse = false;
}

TEST(DirectSoundBuffer, SizesAndFreeSpace)
{
    EXPECT_EQ(directSoundBufferBytes(4, 44100, 100), 17648u);  // 17640 + 15, low bits cleared
    EXPECT_EQ(directSoundBufferBytes(1, 8000, 100), 800u);
    EXPECT_EQ(directSoundBufferBytes(4, 44100, 0), 0u);
    EXPECT_EQ(directSoundFreeBytes(100, 50, 1000, 16), 34u);
    EXPECT_EQ(directSoundFreeBytes(50, 100, 1000, 16), 934u) << "the play position wrapped";
    EXPECT_EQ(directSoundFreeBytes(60, 50, 1000, 16), 0u) << "inside the safety gap";
    EXPECT_EQ(directSoundFreeBytes(50, 50, 1000, 16), 0u);
}

// Opens the DirectSound device as a host that asks for it always.
void openDirectSound()
{
    OptionValues& options = libraryCore().options;
    options.set(5, 3);
    options.set(6, 1);
    ASSERT_EQ(directSoundDevice().operations.open(directSoundDevice().context, 44100, 0), ErrorCode::ok);
}

TEST_F(DeviceClockTest, DirectSoundRestartsALostBuffer)
{
    SoundDevice& device = directSoundDevice();
    DirectSoundDeviceState& state = directSoundDeviceState();
    ASSERT_NO_FATAL_FAILURE(openDirectSound());
    EXPECT_EQ(state.bufferSize, 17648u);
    state.lastPlayPosition = 8000;  // as if the card had played this far
    state.buffer.markLost();
    bool callPlayer = false;
    ASSERT_EQ(device.operations.serviceStep(device.context, callPlayer), ErrorCode::ok);
    EXPECT_FALSE(state.buffer.lost());
    EXPECT_EQ(state.writePosition, 882u * 4) << "mixed up to the tick";
    EXPECT_TRUE(callPlayer);
    EXPECT_EQ(serviceSteps(device), 1);
    EXPECT_EQ(state.writePosition, (8000u - 16u) / 4 * 4) << "then on up to the safety gap";
    EXPECT_EQ(device.operations.close(device.context), ErrorCode::ok);
}

TEST_F(DeviceClockTest, DirectSoundRestartsABufferStalledForASecond)
{
    SoundDevice& device = directSoundDevice();
    DirectSoundDeviceState& state = directSoundDeviceState();
    ASSERT_NO_FATAL_FAILURE(openDirectSound());
    state.buffer.stop();
    bool callPlayer = false;
    device.operations.serviceStep(device.context, callPlayer);  // notes the window in front
    device.operations.serviceStep(device.context, callPlayer);  // starts the stall timer
    EXPECT_TRUE(state.stallTimerSet);
    clock.advanceMs(1000);
    device.operations.serviceStep(device.context, callPlayer);
    EXPECT_TRUE(state.stallTimerSet) << "not more than a second yet";
    clock.advanceMs(1);
    device.operations.serviceStep(device.context, callPlayer);
    EXPECT_FALSE(state.stallTimerSet) << "restarted";
    EXPECT_EQ(device.operations.close(device.context), ErrorCode::ok);
}

TEST_F(DeviceClockTest, ServicePassTicksThePlayerOnExactFrameBoundaries)
{
    static int ticks;
    ticks = 0;
    SoundDevice& device = silentDevice();
    ASSERT_EQ(device.operations.open(device.context, 0, 0), ErrorCode::ok);
    serviceTarget().device = &device;
    serviceTarget().playerTick = [] {
        ++ticks;
        return ErrorCode::ok;
    };
    clock.advanceMs(100);
    servicePass();
    EXPECT_EQ(ticks, 5);
    clock.advanceMs(25);
    servicePass();
    EXPECT_EQ(ticks, 6);
    EXPECT_EQ(silentDeviceState().ticks.samplesUntilTick, 60u);

    device.configuration = 1;  // a non-zero first word ends the pass after one step
    clock.advanceMs(100);
    servicePass();
    EXPECT_EQ(ticks, 7);
    device.configuration = 0;

    serviceTarget() = {};
    clock.advanceMs(100);
    servicePass();
    EXPECT_EQ(ticks, 7) << "no device: the pass does nothing";
    device.operations.close(device.context);
}

}  // namespace
}  // namespace corvid
