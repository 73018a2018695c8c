// The public interface with the player: loading by header, the play-handle
// table, status reads, stopping and freeing, the player thread and the
// capture device playing a real module.

#include <sys/stat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/clock.h"
#include "sound/api/interface_state.h"
#include "sound/core/library.h"
#include "sound/devices/device_common.h"
#include "sound/devices/wave_out_device.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_devices.h"
#include "sound/player/player.h"
#include "mod_writer.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/xm_module.h"

namespace corvid {
namespace {

using testsupport::XmModule;

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) { testsupport::writeBytes(path, bytes); }

// One channel that plays a note on row 0 of each of two 16-row patterns.
XmModule twoPatternSong()
{
    XmModule song = testsupport::simpleSong(1, 16);
    song.patterns.push_back(song.patterns[0]);
    song.orders = {0, 1};
    for (auto& pattern : song.patterns)
        pattern.at(0, 0, 1) = {49, 1, 0, 0, 0};
    return song;
}

class MusicPlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MusicStartup();
        setDeviceClock(&clock);
        MusicSetOption(13, 1);
        ASSERT_EQ(MusicInit(), 1);
        writeFile(songPath, testsupport::xmBytes(twoPatternSong()));
    }
    void TearDown() override
    {
        EXPECT_EQ(MusicClose(), 1);
        setDeviceClock(nullptr);
    }

    const testsupport::ScratchFolder folder;
    const std::string songPath = folder.path("song.xm");
    const std::string otherPath = folder.path("other.bin");
    platform::VirtualClock clock;
};

TEST_F(MusicPlayTest, LoaderIsChosenByTheHeader)
{
    MusicModule* module = MusicLoadModule(songPath.c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(MusicFreeModule(module), 1);

    std::vector<uint8_t> header(2048, 0);  // long enough for a MOD header
    std::memcpy(header.data() + 44, "SCRM", 4);
    writeFile(otherPath, header);
    // Each header reaches its loader, which refuses the rest of these
    // zero bytes with its own code.
    EXPECT_EQ(MusicLoadModule(otherPath.c_str()), nullptr);
    EXPECT_NE(MusicGetLastError(), 0) << "the S3M loader";
    std::memcpy(header.data(), "IMPM", 4);
    writeFile(otherPath, header);
    EXPECT_EQ(MusicLoadModule(otherPath.c_str()), nullptr);
    EXPECT_NE(MusicGetLastError(), 0) << "the IT loader";
    std::memcpy(header.data(), "Extended Module", 15);  // one byte short of the XM signature
    writeFile(otherPath, header);
    EXPECT_EQ(MusicLoadModule(otherPath.c_str()), nullptr);
    EXPECT_EQ(MusicGetLastError(), 15) << "anything else goes to the MOD loader, which finds no signature";

    writeFile(otherPath, std::vector<uint8_t>(47, 'x'));
    EXPECT_EQ(MusicLoadModule(otherPath.c_str()), nullptr);
    EXPECT_EQ(MusicGetLastError(), 29) << "shorter than the header";
    EXPECT_EQ(MusicLoadModule("no such file.xm"), nullptr);
    EXPECT_NE(MusicGetLastError(), 0);
    EXPECT_EQ(MusicFreeModule(nullptr), 1);
}

TEST_F(MusicPlayTest, SeventeenthPlayFailsAndLeavesSixteenRunning)
{
    MusicModule* module = MusicLoadModule(songPath.c_str());
    ASSERT_NE(module, nullptr);
    ASSERT_EQ(MusicOpenChannels(17), 1);
    for (int i = 1; i <= 16; ++i)
        ASSERT_EQ(MusicPlayModule(module, 1), i);
    EXPECT_EQ(MusicPlayModule(module, 1), 0);
    EXPECT_EQ(MusicGetLastError(), 37);
    MusicStatus status{};
    EXPECT_EQ(MusicGetPlayStatus(16, &status), 1);
    EXPECT_EQ(MusicStopModule(3), 1);
    EXPECT_EQ(MusicPlayModule(module, 1), 3) << "the first empty entry is taken again";
    EXPECT_EQ(MusicFreeModule(module), 1) << "stops its plays first";
    EXPECT_EQ(MusicGetPlayStatus(1, &status), 0);
    EXPECT_EQ(MusicGetLastError(), 47);
}

TEST_F(MusicPlayTest, PlaysTakeTheLowestFreeChannelsOrFail)
{
    MusicModule* module = MusicLoadModule(songPath.c_str());
    ASSERT_NE(module, nullptr);
    const int first = MusicPlayModule(module, 0);
    ASSERT_EQ(first, 1);
    EXPECT_EQ(interfaceState().openChannelCount, 1u) << "the play opened the module's channels";
    EXPECT_EQ(MusicPlayModule(module, 0), 0);
    EXPECT_EQ(MusicGetLastError(), 48) << "no channel left";
    EXPECT_EQ(MusicStopModule(first), 1);
    EXPECT_EQ(interfaceState().openChannelCount, 0u) << "and closed them when it stopped";
    EXPECT_EQ(MusicStopModule(first), 0);
    EXPECT_EQ(MusicGetLastError(), 47);
    EXPECT_EQ(MusicStopModule(17), 0);
    EXPECT_EQ(MusicFreeModule(module), 1);
}

TEST_F(MusicPlayTest, StatusBeforeAnySyncAndAsTheSongPlays)
{
    MusicModule* module = MusicLoadModule(songPath.c_str());
    ASSERT_NE(module, nullptr);
    const int handle = MusicPlayModule(module, 0);
    ASSERT_NE(handle, 0);
    MusicStatus status{};
    ASSERT_EQ(MusicGetPlayStatus(handle, &status), 1);
    EXPECT_EQ(status.syncInfo, -1);
    EXPECT_EQ(status.songLoopCount, 0);
    EXPECT_EQ(status.position, 0);
    EXPECT_EQ(status.row, 0);
    EXPECT_EQ(MusicGetPlayStatus(handle, nullptr), 0);

    // The silent device ticks every 80 frames, 20 ms; at speed 6 a row is
    // read on every sixth tick, the first on the sixth. 110 ticks read 18 rows.
    for (int pass = 0; pass < 110; ++pass) {
        clock.advanceMs(20);
        MusicPoll();
    }
    ASSERT_EQ(MusicGetPlayStatus(handle, &status), 1);
    EXPECT_EQ(status.position, 1);
    EXPECT_EQ(status.pattern, 1);
    EXPECT_EQ(status.row, 1);

    EXPECT_EQ(MusicSetPosition(handle, 0), 1);
    const player::PlayerInstance& instance = *interfaceState().plays[static_cast<size_t>(handle - 1)]->instance;
    EXPECT_EQ(MusicSetMusicVolume(handle, 65), 1) << "a volume outside 0..64 is taken as the nearer end";
    EXPECT_EQ(instance.musicVolume, 64);
    EXPECT_EQ(MusicSetMusicVolume(handle, -1), 1);
    EXPECT_EQ(instance.musicVolume, 0);
    EXPECT_EQ(MusicSetMusicVolume(17, 10), 0);
    EXPECT_EQ(MusicGetLastError(), 22);
    EXPECT_EQ(MusicSetSyncCallback(handle, nullptr), 1);
    EXPECT_EQ(MusicStopModule(handle), 1);
    EXPECT_EQ(MusicFreeModule(module), 1);
}

TEST_F(MusicPlayTest, MainThreadCallsWhileThePlayerThreadRuns)
{
    // The calls a host makes while the music plays in the background: status
    // reads, volume changes, stopping and starting plays, and finally closing
    // the library with the thread still running. Run for two seconds so the
    // thread sanitizer sees them interleave with many service passes.
    setDeviceClock(nullptr);
    MusicClose();
    ASSERT_EQ(MusicInit(), 1);
    MusicModule* module = MusicLoadModule(songPath.c_str());
    ASSERT_NE(module, nullptr);
    ASSERT_EQ(MusicStartBackgroundPlay(0), 1);
    int handle = MusicPlayModule(module, 1);
    ASSERT_NE(handle, 0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    MusicStatus status{};
    for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
        ASSERT_EQ(MusicGetPlayStatus(handle, &status), 1);
        EXPECT_LE(status.position, 1);
        EXPECT_LT(status.row, 16);
        ASSERT_EQ(MusicSetMusicVolume(handle, round % 65), 1);
        if (round % 50 == 49) {
            ASSERT_EQ(MusicStopModule(handle), 1);
            handle = MusicPlayModule(module, 1);
            ASSERT_NE(handle, 0);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    EXPECT_EQ(MusicClose(), 1);  // stops the thread and the play itself
    EXPECT_EQ(MusicGetPlayStatus(handle, &status), 0);
    EXPECT_EQ(MusicFreeModule(module), 1);  // the module outlives the device
    ASSERT_EQ(MusicInit(), 1);              // for TearDown
}

// The music a listener hears trails the mixing by the sound queued in the
// wave-out device's blocks and in SDL's buffer (SDL's dummy driver plays at
// about real time). With rows one 20 ms tick long, the heard row must trail
// the mixed row by the queued duration, within one row.
TEST_F(MusicPlayTest, HeardStatusTrailsTheMixingByTheQueuedSound)
{
    setDeviceClock(nullptr);
    MusicClose();
    MusicStartup();
    selectDevice(static_cast<int32_t>(DeviceIndex::waveOut));
    ASSERT_EQ(MusicInit(), 1);
    ASSERT_STREQ(openDevice()->name, waveOutDevice().name);
    constexpr int rows = 64;
    constexpr double rowMs = 20;  // speed 1 at 125 BPM: one 882-frame tick per row
    XmModule song = testsupport::simpleSong(1, rows);
    song.speed = 1;
    song.orders.assign(16, 0);
    writeFile(songPath, testsupport::xmBytes(song));
    MusicModule* module = MusicLoadModule(songPath.c_str());
    ASSERT_NE(module, nullptr);
    const int handle = MusicPlayModule(module, 0);
    ASSERT_NE(handle, 0);
    ASSERT_EQ(MusicStartBackgroundPlay(0), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the queue fills

    const auto rowIndex = [](const MusicStatus& status) { return status.position * rows + status.row; };
    std::vector<double> queuedMs;
    for (int sample = 0; sample < 200; ++sample) {
        std::this_thread::sleep_for(std::chrono::milliseconds(7));
        MusicStatus before{}, after{};
        HeardStatus heard;
        ASSERT_EQ(MusicGetPlayStatus(handle, &before), 1);
        ASSERT_EQ(heardPlayStatus(handle, heard), 1);
        ASSERT_EQ(MusicGetPlayStatus(handle, &after), 1);
        if (rowIndex(before) != rowIndex(after))
            continue;  // a tick between the reads: no one mixed row to compare with
        const double queued = heard.framesQueued * 1000.0 / 44100;
        const double lag = (rowIndex(before) - rowIndex(heard.status)) * rowMs;
        EXPECT_NEAR(lag, queued, rowMs) << "sample " << sample;
        queuedMs.push_back(queued);
    }
    ASSERT_EQ(MusicStopBackgroundPlay(), 1);
    ASSERT_GT(queuedMs.size(), 100u);
    // What is queued is the device's 500 ms of blocks, less what has played
    // since the last service pass, plus at most one SDL buffer.
    std::sort(queuedMs.begin(), queuedMs.end());
    const double median = queuedMs[queuedMs.size() / 2];
    EXPECT_GT(median, 420);
    EXPECT_LT(median, 530);
    EXPECT_EQ(MusicStopModule(handle), 1);
    EXPECT_EQ(MusicFreeModule(module), 1);
}

TEST_F(MusicPlayTest, HeardStatusIsTheMixedOneWhereNothingIsQueued)
{
    MusicModule* module = MusicLoadModule(songPath.c_str());
    ASSERT_NE(module, nullptr);
    const int handle = MusicPlayModule(module, 1);
    for (int step = 0; step < 300; ++step) {
        clock.advanceMs(7);
        MusicPoll();
        MusicStatus mixed{};
        HeardStatus heard;
        ASSERT_EQ(MusicGetPlayStatus(handle, &mixed), 1);
        ASSERT_EQ(heardPlayStatus(handle, heard), 1);
        EXPECT_EQ(heard.framesQueued, 0u);
        EXPECT_EQ(std::tie(heard.status.position, heard.status.row, heard.status.syncInfo),
                  std::tie(mixed.position, mixed.row, mixed.syncInfo));
    }
    EXPECT_EQ(MusicStopModule(handle), 1);
    HeardStatus heard;
    EXPECT_EQ(heardPlayStatus(handle, heard), 0);
    EXPECT_EQ(MusicGetLastError(), static_cast<int>(ErrorCode::noModulePlaying));
    EXPECT_EQ(MusicFreeModule(module), 1);
}

// Reading and converting a module must not hold the lock the player thread
// needs for every pass. The file is a pipe, so the loader waits on it for as
// long as the test likes: once for the header, once for the whole file.
TEST_F(MusicPlayTest, LoadingLeavesTheLockFreeWhileItReadsTheFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "a file that blocks its reader needs a POSIX pipe";
#else
    const std::string pipePath = otherPath + ".pipe";
    ASSERT_EQ(::mkfifo(pipePath.c_str(), 0600), 0);
    const std::vector<uint8_t> bytes = testsupport::xmBytes(twoPatternSong());
    MusicModule* module = nullptr;
    std::thread loader([&] { module = MusicLoadModule(pipePath.c_str()); });
    for (int opening = 0; opening < 2; ++opening) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the loader is waiting for the file
        const bool lockFree = libraryCore().lock.try_lock();
        if (lockFree)
            libraryCore().lock.unlock();
        EXPECT_TRUE(lockFree) << "opening " << opening;
        writeFile(pipePath, bytes);
    }
    loader.join();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(MusicFreeModule(module), 1);
#endif
}

// The fatal path frees the plays, on the player thread in a real show, while
// the main thread goes on reading their status: the reads stay inside memory
// that lives (the sanitizer builds check) and then report no module.
TEST_F(MusicPlayTest, StatusReadsSurviveTheFatalPathFreeingThePlays)
{
    MusicModule* module = MusicLoadModule(songPath.c_str());
    ASSERT_NE(module, nullptr);
    const int handle = MusicPlayModule(module, 1);
    ASSERT_NE(handle, 0);
    std::atomic<bool> reading{true};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        MusicStatus status{};
        while (reading) {
            MusicGetPlayStatus(handle, &status);
            ++reads;
        }
    });
    while (reads < 100)
        std::this_thread::yield();
    SoundDeviceOperations& ops = interfaceState().device->operations;
    const auto realStartPass = ops.startPass;
    ops.startPass = [](void*) { return ErrorCode::hardwareFailure; };
    MusicSetFatalErrorHandler([](const char*) {});
    MusicPoll();
    ops.startPass = realStartPass;
    MusicSetFatalErrorHandler(nullptr);
    const int readsAtTheEnd = reads + 100;
    while (reads < readsAtTheEnd)
        std::this_thread::yield();
    reading = false;
    reader.join();
    MusicStatus status{};
    EXPECT_EQ(MusicGetPlayStatus(handle, &status), 0);
    EXPECT_EQ(MusicGetLastError(), 47);
    EXPECT_EQ(MusicFreeModule(module), 1);
}

TEST_F(MusicPlayTest, StereoSeparationOptionPansAModuleWithoutStoredPanning)
{
    // A MOD's channels 0 and 3 lean left by the option, 1 and 2 right.
    writeFile(otherPath, testing::writeMod(testing::modWithOneSample()));
    for (const auto& [separation, left, right] : {std::tuple{64, 0, 128}, {32, 32, 96}, {0, 64, 64}}) {
        MusicSetOption(MUSIC_OPTION_STEREO_SEPARATION, separation);
        MusicModule* module = MusicLoadModule(otherPath.c_str());
        ASSERT_NE(module, nullptr);
        const int handle = MusicPlayModule(module, 0);
        ASSERT_NE(handle, 0);
        const player::PlayerInstance& instance = *interfaceState().plays[static_cast<size_t>(handle - 1)]->instance;
        EXPECT_EQ(instance.channels[0].panning, left) << separation;
        EXPECT_EQ(instance.channels[1].panning, right) << separation;
        EXPECT_EQ(instance.channels[3].panning, left) << separation;
        EXPECT_EQ(MusicStopModule(handle), 1);
        EXPECT_EQ(MusicFreeModule(module), 1);
    }
    MusicSetOption(MUSIC_OPTION_STEREO_SEPARATION, 64);
}

class CollectingSink : public SoundSink {
public:
    void writeSound(std::span<const int16_t> frames) override { samples.insert(samples.end(), frames.begin(), frames.end()); }
    std::vector<int16_t> samples;
};

// Two seconds of the song captured on a virtual clock advanced in uneven steps.
std::vector<int16_t> captureSong(const std::string& path)
{
    CollectingSink sink;
    platform::VirtualClock captureClock;
    MusicStartup();
    useCaptureDevice(captureClock, sink);
    EXPECT_EQ(MusicInit(), 1);
    MusicModule* module = MusicLoadModule(path.c_str());
    EXPECT_NE(module, nullptr);
    const int handle = MusicPlayModule(module, 0);
    for (uint64_t step = 1; captureClock.counter() < 2 * platform::Clock::ticksPerSecond; step = step * 7 % 40000 + 1) {
        captureClock.advanceTicks(step);
        MusicPoll();
    }
    MusicStopModule(handle);
    MusicFreeModule(module);
    EXPECT_EQ(MusicClose(), 1);
    EXPECT_EQ(sink.samples.size(), captureFramesFor(captureClock.counter()) * 2) << "exactly as far as the clock";
    return sink.samples;
}

TEST_F(MusicPlayTest, TwoCapturesAreIdentical)
{
    ASSERT_EQ(MusicClose(), 1);
    const std::vector<int16_t> first = captureSong(songPath);
    const std::vector<int16_t> second = captureSong(songPath);
    EXPECT_EQ(first, second);
    EXPECT_NE(std::count(first.begin(), first.end(), 0), static_cast<std::ptrdiff_t>(first.size())) << "not silence";
    MusicStartup();
}

}  // namespace
}  // namespace corvid
