// The run steps on the virtual clock with music whose position moves with it:
// every scene plays until its end position and leaves a black last frame;
// entered too late, it returns without drawing.

#include "scenes/credits.h"
#include "scenes/opening.h"
#include "scenes/panorama.h"

#include "display/display.h"
#include "host/frame_service.h"
#include "platform/capture.h"
#include "platform/clock.h"
#include "tests/scenes/scene_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Counts presented frames and keeps the last one.
class FrameCounter final : public platform::FrameSink {
public:
    void writeFrame(const std::uint32_t* pixels, int width, int height) override
    {
        last.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
        ++frames;
    }
    bool finish() override { return true; }
    std::string error() const override { return {}; }
    int framesWritten() const override { return frames; }

    int frames = 0;
    std::vector<std::uint32_t> last;
};

constexpr std::uint64_t msPerRow = 40;

class RunStep : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::VideoOptions options;
        options.window = false;
        ASSERT_TRUE(display::mainDisplay.create(options));
        ASSERT_EQ(display::mainDisplay.openDisplay(4, false), display::OpenResult::ok);  // 320 × 200 × 32
        display::mainDisplay.video().setFrameSink(&counter);

        host::frameService = host::FrameService{};
        host::frameService.clock = &clock;
        host::frameService.startClock();
    }
    void TearDown() override
    {
        display::mainDisplay.video().setFrameSink(nullptr);
        display::mainDisplay.close();
        display::mainDisplay.freeFrameBlock();
        host::frameService = host::FrameService{};
    }

    // The music starts at firstPosition when the scene does and moves on one
    // row every 40 ms of the virtual clock, 64 rows per position.
    void startMusicAt(int firstPosition)
    {
        const std::uint32_t startMs = host::frameService.nowMs;
        host::frameService.musicStatus.position = firstPosition;
        host::frameService.readMusicStatus = [this, startMs, firstPosition](MusicStatus& status) {
            ++reads;
            const std::uint64_t rows = (host::frameService.clock->counter() * 1000 / platform::Clock::ticksPerSecond - startMs) / msPerRow;
            status.position = firstPosition + static_cast<int>(rows / 64);
            status.row = static_cast<int>(rows % 64);
        };
    }

    template <class SceneType>
    void expectPlaysFromTo(SceneType& scene, int firstPosition)
    {
        scenes::test::loadScene(scene);
        startMusicAt(firstPosition);
        scene.run();
        const int positions = SceneType::endPosition - firstPosition;
        EXPECT_EQ(host::frameService.musicStatus.position, SceneType::endPosition);
        // One pass per 33 ms, a row every 40 ms.
        EXPECT_NEAR(counter.frames, positions * 64 * 40 / 33, 2);
        EXPECT_EQ(reads, 2 * counter.frames) << "the music is read twice a pass";
        ASSERT_FALSE(counter.last.empty());
        EXPECT_TRUE(std::all_of(counter.last.begin(), counter.last.end(), [](std::uint32_t p) { return p == 0; }))
            << "the last frame has faded to black";
    }

    template <class SceneType>
    void expectReturnsAtOnceFrom(int position)
    {
        SceneType scene;
        scenes::test::loadScene(scene);
        startMusicAt(position);
        std::fill_n(display::mainDisplay.frameBuffer(), display::framePixels, 0x123456u);
        scene.run();
        EXPECT_EQ(counter.frames, 0);
        EXPECT_EQ(reads, 0);
        EXPECT_EQ(display::mainDisplay.frameBuffer()[1000], 0x123456u) << "nothing drawn";
        EXPECT_EQ(host::frameService.sceneClock, 0u) << "the scene clock was restarted";
    }

    platform::VirtualClock clock;
    FrameCounter counter;
    int reads = 0;
};

TEST_F(RunStep, OpeningPlaysUntilPosition9)
{
    scenes::OpeningScene scene;
    expectPlaysFromTo(scene, 0);
    EXPECT_EQ(scene.ring.fade, -2);
    EXPECT_TRUE(scene.words.done);
}

TEST_F(RunStep, CreditsPlayUntilPosition15)
{
    scenes::CreditsScene scene;
    expectPlaysFromTo(scene, 9);
    EXPECT_NEAR(scene.pages[2].titleX, 10 - 3 * (32 * 40 / 33), 6) << "one slide per pass in the first half";
}

TEST_F(RunStep, PanoramaPlaysUntilPosition26)
{
    scenes::PanoramaScene scene;
    expectPlaysFromTo(scene, 15);
    EXPECT_EQ(scene.objectCentreY, 300) << "sunk again by the end";
    EXPECT_EQ(scene.panX, scenes::panoramaScroll(host::frameService.sceneClock));
}

TEST_F(RunStep, EnteredAtOrPastTheEndEachSceneReturnsWithoutDrawing)
{
    expectReturnsAtOnceFrom<scenes::OpeningScene>(9);
    expectReturnsAtOnceFrom<scenes::CreditsScene>(15);
    expectReturnsAtOnceFrom<scenes::PanoramaScene>(26);
    expectReturnsAtOnceFrom<scenes::PanoramaScene>(40);
}

}  // namespace
