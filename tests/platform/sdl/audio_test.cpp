// Sound output under SDL's dummy audio driver, which consumes sound at about
// real time without a sound card.

#include "platform/audio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

template <class Done>
bool waitFor(Done done, std::chrono::milliseconds limit = 3000ms)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

TEST(WaveOut, FormatsItCannotPlayAreRefusedWithoutOpening)
{
    EXPECT_EQ(platform::waveOutQuery({2, 44100, 16}), platform::waveResult::ok);
    EXPECT_EQ(platform::waveOutQuery({1, 8000, 8}), platform::waveResult::ok);
    EXPECT_EQ(platform::waveOutQuery({3, 44100, 16}), platform::waveResult::badFormat);
    EXPECT_EQ(platform::waveOutQuery({2, 44100, 24}), platform::waveResult::badFormat);
    platform::WaveOut out;
    EXPECT_EQ(out.open({2, 44100, 12}), platform::waveResult::badFormat);
    EXPECT_FALSE(out.isOpen());
}

TEST(WaveOut, BlocksAreMarkedDoneOnceConsumedInOrder)
{
    ASSERT_EQ(platform::waveOutDeviceCount(), 1);
    platform::WaveOut out;
    ASSERT_EQ(out.open({2, 44100, 16}), platform::waveResult::ok);
    std::vector<std::uint8_t> first(4096), second(4096);
    platform::WaveBlock a, b;
    a.data = first.data();
    a.length = 4096;
    b.data = second.data();
    b.length = 4096;
    EXPECT_EQ(out.write(a), platform::waveResult::invalidParameter) << "an unprepared block is refused";
    ASSERT_EQ(out.prepare(a), platform::waveResult::ok);
    ASSERT_EQ(out.prepare(b), platform::waveResult::ok);
    ASSERT_EQ(out.write(a), platform::waveResult::ok);
    ASSERT_EQ(out.write(b), platform::waveResult::ok);
    // Two blocks of 1024 frames: unheard until SDL has played them, even once
    // its callback has taken them out of the queue.
    const std::uint32_t unheard = out.unheardFrames();
    EXPECT_LE(unheard, 2048u);
    EXPECT_GT(unheard, 512u);
    EXPECT_EQ(out.unprepare(b), platform::waveResult::invalidParameter) << "a queued block is still playing";
    ASSERT_TRUE(waitFor([&] { return b.done.load(); }));
    EXPECT_TRUE(a.done.load());
    EXPECT_LE(out.unheardFrames(), 1024u) << "at most SDL's buffer is left";
    ASSERT_TRUE(waitFor([&] { return out.unheardFrames() == 0; }, 200ms));
    EXPECT_EQ(out.unprepare(b), platform::waveResult::ok);
    EXPECT_EQ(out.close(), platform::waveResult::ok);
}

// A block of ten seconds, long enough to stay queued while a test looks at it.
struct QueuedBlock {
    std::vector<std::uint8_t> data = std::vector<std::uint8_t>(80000, 0x80);
    platform::WaveBlock block;

    explicit QueuedBlock(platform::WaveOut& out)
    {
        block.data = data.data();
        block.length = static_cast<std::uint32_t>(data.size());
        out.prepare(block);
        EXPECT_EQ(out.write(block), platform::waveResult::ok);
        EXPECT_FALSE(out.blockDone(block));
    }
};

TEST(WaveOut, ResetOrALostCardGivesEveryQueuedBlockBack)
{
    platform::WaveOut out;
    ASSERT_EQ(out.open({1, 8000, 8}), platform::waveResult::ok);
    QueuedBlock first(out);
    out.reset();
    EXPECT_TRUE(first.block.done.load());

    QueuedBlock second(out);
    EXPECT_FALSE(out.lost());
    out.markLost();
    EXPECT_TRUE(out.blockDone(second.block));
    EXPECT_EQ(out.write(second.block), platform::waveResult::noDriver) << "a lost card takes no more";
    out.close();
    ASSERT_EQ(out.open({1, 8000, 8}), platform::waveResult::ok);
    EXPECT_FALSE(out.lost()) << "opened again on a card that is there";
}

TEST(SoundBuffer, PlayPositionGoesRoundAndLocksWrap)
{
    platform::SoundBuffer buffer;
    ASSERT_EQ(buffer.create({2, 44100, 16}, 8192), platform::waveResult::ok);
    platform::SoundBuffer::Regions regions;
    ASSERT_EQ(buffer.lock(6144, 4096, regions), platform::waveResult::ok);
    EXPECT_EQ(regions.firstBytes, 2048u);
    EXPECT_EQ(regions.secondBytes, 2048u);
    ASSERT_EQ(buffer.unlock(regions), platform::waveResult::ok);

    ASSERT_EQ(buffer.playLooping(), platform::waveResult::ok);
    std::uint32_t start = 0, play = 0, write = 0;
    buffer.positions(start, write);
    EXPECT_TRUE(waitFor([&] {
        buffer.positions(play, write);
        return play != start;
    }));
    EXPECT_LT(play, buffer.size());

    buffer.markLost();
    EXPECT_NE(buffer.lock(0, 16, regions), platform::waveResult::ok);
    EXPECT_EQ(buffer.restore(), platform::waveResult::ok);
    EXPECT_EQ(buffer.lock(0, 16, regions), platform::waveResult::ok);
    buffer.unlock(regions);
}

}  // namespace
