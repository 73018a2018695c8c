// The public interface's device half: device choice and its fallbacks, the
// order of MusicClose, amplification, the background player's interval, and
// the player thread running in real time.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <chrono>
#include <thread>

#include "sound/api/interface_state.h"
#include "sound/core/library.h"
#include "sound/devices/direct_sound_device.h"
#include "sound/devices/service.h"
#include "sound/devices/silent_device.h"
#include "sound/devices/wave_out_device.h"
#include "sound/include/corvid.h"
#include "sound/mixer/mixer_device.h"

namespace corvid {
namespace {

// Every test starts the library afresh and gets the device records back as
// they were, whatever operations it replaced.
class MusicInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MusicStartup();
        for (size_t i = 0; i < deviceCount; ++i)
            saved_[i] = *libraryCore().devices[i];
    }
    void TearDown() override
    {
        MusicClose();
        for (size_t i = 0; i < deviceCount; ++i)
            *libraryCore().devices[i] = saved_[i];
        MusicStartup();
    }

    static SoundDevice& device(DeviceIndex index) { return *libraryCore().devices[static_cast<size_t>(index)]; }

private:
    std::array<SoundDevice, deviceCount> saved_;
};

TEST(MusicInterface, VersionAndServiceInterval)
{
    EXPECT_STREQ(MusicGetVersionString(), "1.1.2");
    EXPECT_EQ(serviceIntervalFor(0), 20u);
    EXPECT_EQ(serviceIntervalFor(70), 7u);
    EXPECT_EQ(serviceIntervalFor(50), 10u);
    EXPECT_EQ(serviceIntervalFor(2000), 1u) << "never a pass without a pause";
    EXPECT_EQ(serviceIntervalFor(-5), 20u);
}

// The default handler writes the message and exits with 255.
TEST(MusicInterface, StartupRestoresTheDefaultFatalErrorHandler)
{
    MusicSetFatalErrorHandler([](const char*) {});
    MusicStartup();
    EXPECT_EXIT(fatalError(ErrorCode::invalidChannel), ::testing::ExitedWithCode(255),
                "^CORVID Error: Invalid channel number\n$");
}

TEST_F(MusicInterfaceTest, DetectionTakesWaveOutWhenDirectSoundIsUnused)
{
    ASSERT_EQ(MusicInit(), 1);
    EXPECT_EQ(interfaceState().device, &waveOutDevice());
    EXPECT_TRUE(interfaceState().deviceOpen);
    EXPECT_EQ(MusicClose(), 1);
    EXPECT_FALSE(interfaceState().deviceOpen);
    EXPECT_FALSE(waveOutDeviceState().output.isOpen());
}

TEST_F(MusicInterfaceTest, DetectionTriesDirectSoundFirst)
{
    MusicSetOption(5, 3);
    MusicSetOption(6, 1);
    ASSERT_EQ(MusicInit(), 1);
    EXPECT_EQ(interfaceState().device, &directSoundDevice());
    EXPECT_EQ(MusicClose(), 1);

    MusicSetOption(6, 0);
    EXPECT_EQ(MusicInit(), 0) << "a detect that fails fails the start";
    EXPECT_EQ(MusicGetLastError(), 44);
}

TEST_F(MusicInterfaceTest, WithoutWaveOutDetectionEndsAtTheSilentDevice)
{
    device(DeviceIndex::waveOut).operations.detect = [](void*, bool& found) {
        found = false;
        return ErrorCode::ok;
    };
    ASSERT_EQ(MusicInit(), 1);
    EXPECT_EQ(interfaceState().device, &silentDevice());
}

TEST_F(MusicInterfaceTest, BusyWaveOutFailsThenOptionThirteenOpensTheSilentDevice)
{
    device(DeviceIndex::waveOut).operations.open = [](void*, uint32_t, uint32_t) { return ErrorCode::deviceBusy; };
    EXPECT_EQ(MusicInit(), 0);
    EXPECT_EQ(MusicGetLastError(), 41);
    EXPECT_FALSE(interfaceState().deviceOpen);
    MusicSetOption(13, 1);
    ASSERT_EQ(MusicInit(), 1);
    EXPECT_EQ(interfaceState().device, &silentDevice());
}

TEST_F(MusicInterfaceTest, CloseStopsAtTheFirstFailingStep)
{
    static int deviceCloses;
    deviceCloses = 0;
    MusicSetOption(13, 1);
    ASSERT_EQ(MusicInit(), 1);
    ASSERT_EQ(MusicOpenChannels(4), 1);
    SoundDeviceOperations& ops = device(DeviceIndex::silent).operations;
    const auto realCloseChannels = ops.closeChannels;
    ops.closeChannels = [](void*) { return ErrorCode::hardwareFailure; };
    ops.close = [](void*) {
        ++deviceCloses;
        return closeSharedMixer();
    };
    EXPECT_EQ(MusicClose(), 0);
    EXPECT_EQ(MusicGetLastError(), 21);
    EXPECT_EQ(deviceCloses, 0) << "the device close comes after the failing step";
    EXPECT_TRUE(interfaceState().deviceOpen);
    EXPECT_FALSE(interfaceState().playerOpen) << "the steps before it were done";

    ops.closeChannels = realCloseChannels;
    EXPECT_EQ(MusicClose(), 1);
    EXPECT_EQ(deviceCloses, 1);
    EXPECT_FALSE(interfaceState().deviceOpen);
}

TEST_F(MusicInterfaceTest, ServiceErrorsTakeTheFatalPathAfterClosingEverything)
{
    static std::string reported;
    reported.clear();
    MusicSetOption(13, 1);
    ASSERT_EQ(MusicInit(), 1);
    ASSERT_EQ(MusicOpenChannels(2), 1);
    device(DeviceIndex::silent).operations.startPass = [](void*) { return ErrorCode::hardwareFailure; };
    MusicSetFatalErrorHandler([](const char* text) { reported = text; });
    EXPECT_EQ(MusicPoll(), 1);
    MusicSetFatalErrorHandler(nullptr);
    EXPECT_EQ(reported, "CORVID Error: Sound Device hardware failure");
    EXPECT_FALSE(interfaceState().deviceOpen) << "undone before the report";
    EXPECT_EQ(interfaceState().openChannelCount, 0u);
    EXPECT_FALSE(interfaceState().playerOpen);
}

TEST_F(MusicInterfaceTest, AmplificationIsAPercentageOfTheDevicesOwn)
{
    MusicSetOption(13, 1);
    ASSERT_EQ(MusicInit(), 1);
    ASSERT_EQ(MusicOpenChannels(4), 1);
    const SoundDevice& device = *interfaceState().device;
    const SoundDeviceOperations& ops = device.operations;
    uint32_t base = 0;
    ops.getAmplification(device.context, base);
    ASSERT_GT(base, 0u);
    uint32_t amplification = 0;
    MusicSetAmplification(50);
    MusicSetAmplification(50);
    ops.getAmplification(device.context, amplification);
    EXPECT_EQ(amplification, base / 2) << "setting it twice does not compound";
    MusicSetAmplification(100);
    ops.getAmplification(device.context, amplification);
    EXPECT_EQ(amplification, base);

    ASSERT_EQ(MusicCloseChannels(), 1);
    MusicSetAmplification(200);
    ASSERT_EQ(MusicOpenChannels(4), 1);
    ops.getAmplification(device.context, amplification);
    EXPECT_EQ(amplification, base * 2) << "a percentage set earlier applies when channels open";
}

TEST_F(MusicInterfaceTest, PlayerThreadRunsTheSilentDeviceInRealTime)
{
    static std::atomic<int> ticks;
    ticks = 0;
    MusicSetOption(13, 1);
    ASSERT_EQ(MusicInit(), 1);
    {
        LibraryLock lock;
        serviceTarget().playerTick = [] {
            ticks.fetch_add(1);
            return ErrorCode::ok;
        };
    }
    ASSERT_EQ(MusicStartBackgroundPlay(0), 1);
    EXPECT_TRUE(playerThreadRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_EQ(MusicStopBackgroundPlay(), 1);
    EXPECT_FALSE(playerThreadRunning());
    // 50 ticks a second of wall time; loose bounds for a busy machine.
    EXPECT_GE(ticks.load(), 10);
    EXPECT_LE(ticks.load(), 40);
    const int stopped = ticks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ticks.load(), stopped) << "no pass after the stop";
}

}  // namespace
}  // namespace corvid
