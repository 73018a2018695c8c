// Sound output on wave-out and DirectSound. Under Wine without a sound card
// both report no device and the library falls back to the silent device; on a
// machine with a card the same tests play a short block and watch the
// buffer's play position move.

#include "platform/audio.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_devices.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr platform::WaveFormat cdQuality{2, 44100, 16};

bool waitFor(auto condition, DWORD ms)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(5);
    }
    return true;
}

TEST(WindowsAudio, WaveOutPlaysABlockOrReportsNoDevice)
{
    platform::WaveOut output;
    std::vector<std::uint8_t> samples(44100 * 4 / 20);  // 50 ms of silence
    platform::WaveBlock block;
    block.data = samples.data();
    block.length = static_cast<std::uint32_t>(samples.size());
    EXPECT_NE(output.prepare(block), platform::waveResult::ok);  // not open yet
    EXPECT_NE(output.write(block), platform::waveResult::ok);

    if (platform::waveOutDeviceCount() == 0) {
        EXPECT_NE(output.open(cdQuality), platform::waveResult::ok);
        EXPECT_FALSE(output.isOpen());
        return;
    }
    ASSERT_EQ(output.open(cdQuality), platform::waveResult::ok);
    ASSERT_EQ(output.prepare(block), platform::waveResult::ok);
    ASSERT_EQ(output.write(block), platform::waveResult::ok);
    EXPECT_TRUE(waitFor([&] { return output.blockDone(block); }, 2000));
    EXPECT_EQ(output.unprepare(block), platform::waveResult::ok);
    EXPECT_EQ(output.close(), platform::waveResult::ok);
}

TEST(WindowsAudio, SoundBufferPlaysRoundOrReportsNoDevice)
{
    platform::SoundBuffer buffer;
    const std::uint32_t bytes = 44100 * 4 / 10;  // 100 ms
    platform::SoundBuffer::Regions regions;
    if (!platform::soundBufferAvailable()) {
        EXPECT_NE(buffer.create(cdQuality, bytes), platform::waveResult::ok);
        EXPECT_NE(buffer.lock(0, 16, regions), platform::waveResult::ok);
        EXPECT_NE(buffer.playLooping(), platform::waveResult::ok);
        return;
    }
    ASSERT_EQ(buffer.create(cdQuality, bytes), platform::waveResult::ok);
    ASSERT_EQ(buffer.size(), bytes);
    ASSERT_EQ(buffer.lock(bytes - 16, 64, regions), platform::waveResult::ok);
    EXPECT_EQ(regions.firstBytes, 16u);  // the region wraps to the start
    EXPECT_EQ(regions.secondBytes, 48u);
    EXPECT_EQ(buffer.unlock(regions), platform::waveResult::ok);
    ASSERT_EQ(buffer.playLooping(), platform::waveResult::ok);
    std::uint32_t first = 0, write = 0;
    buffer.positions(first, write);
    EXPECT_TRUE(waitFor(
        [&] {
            std::uint32_t play = 0;
            buffer.positions(play, write);
            return play != first;
        },
        1000));
    buffer.release();
}

// Without a card the library still opens: detection ends at the silent
// device, and a host that asked for wave-out gets its error and falls back
// by forcing silence.
TEST(WindowsAudio, WithoutASoundCardTheLibraryFallsBackToSilence)
{
    if (platform::waveOutDeviceCount() != 0)
        GTEST_SKIP() << "this machine has a sound card";
    ASSERT_EQ(MusicStartup(), 1);
    ASSERT_EQ(MusicInit(), 1);
    ASSERT_NE(corvid::openDevice(), nullptr);
    EXPECT_EQ(std::string(corvid::openDevice()->name), "Mixing No Sound Sound Device");
    ASSERT_EQ(MusicClose(), 1);

    ASSERT_EQ(MusicStartup(), 1);
    corvid::selectDevice(1);
    EXPECT_EQ(MusicInit(), 0);
    EXPECT_NE(MusicGetLastError(), 0);
    MusicSetOption(MUSIC_OPTION_FORCE_SILENCE, 1);
    ASSERT_EQ(MusicInit(), 1);
    EXPECT_EQ(std::string(corvid::openDevice()->name), "Mixing No Sound Sound Device");
    EXPECT_EQ(MusicClose(), 1);
}

}  // namespace
