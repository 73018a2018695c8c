#include "host/data_files.h"
#include "host/frame_service.h"
#include "host/show.h"
#include "host/show_random.h"
#include "host/show_state.h"
#include "host/sine_table.h"
#include "display/display.h"
#include "platform/dialog.h"
#include "tests/support/kept_frames.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(SineTable, ExactAtTheQuarterTurnsAndTinyWhereZeroInTheory)
{
    const auto t = host::buildSineTable();
    EXPECT_EQ(t.sinTable[64], 1.0f);
    EXPECT_EQ(t.cosTable[128], -1.0f);
    EXPECT_EQ(t.sinTable[192], -1.0f);
    EXPECT_EQ(t.sinTable[32], 0.70710677f);
    EXPECT_EQ(t.cosTable[32], 0.70710677f);
    EXPECT_EQ(t.sinTable[0], 0.0f);
    EXPECT_EQ(t.cosTable[0], 1.0f);
    // π is taken as 3.14159265358979, so the "zeros" are about 1.6e-15, not 0.
    EXPECT_NE(t.cosTable[64], 0.0f);
    EXPECT_NEAR(t.cosTable[64], 1.6e-15f, 0.1e-15f);
    EXPECT_GT(t.sinTable[128], 0.0f);
}

// The display refused after the loading, with the player thread running:
// the sound library stops first, so the process ends with exit code 1 after
// the message instead of aborting on a thread still running.
TEST(StartupFailureDeathTest, AWindowRefusedAfterTheLoadingEndsWithExitCodeOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");  // the message goes to standard error
            display::mainDisplay.video().refuseWindow();
            host::ShowOptions options;
            options.screenMode = 7;
            host::runShow(options);
            std::exit(3);  // not reached
        },
        ::testing::ExitedWithCode(1), "DirectDraw Error!");
}

TEST(ProgressLine, PlaceholderAndLineFeeds)
{
    EXPECT_EQ(host::formatProgressLine("Loading music (%s)...", "qorv.xm"), "Loading music (qorv.xm)...");
    EXPECT_EQ(host::formatProgressLine("Loading and initialising data... ", ""), "Loading and initialising data... ");
    EXPECT_EQ(host::formatProgressLine("a\nb%s\n", "c\nd"), "abcd");
    EXPECT_EQ(host::formatProgressLine(std::string(300, 'x').c_str(), "").size(), 255u);
}

TEST(DataFiles, CurrentFolderFirstThenTheSearchFoldersInOrder)
{
    namespace fs = std::filesystem;
    const testsupport::ScratchFolder scratch;
    const fs::path& root = scratch.root();
    fs::create_directories(root / "a");
    fs::create_directories(root / "b");
    std::ofstream(root / "b" / "only-in-b.dat") << "x";
    std::ofstream(root / "a" / "in-both.dat") << "x";
    std::ofstream(root / "b" / "in-both.dat") << "x";
    const std::vector<std::string> folders = {(root / "a").string(), (root / "b").string()};

    EXPECT_EQ(host::locateDataFile("only-in-b.dat", folders), (root / "b" / "only-in-b.dat").string());
    EXPECT_EQ(host::locateDataFile("in-both.dat", folders), (root / "a" / "in-both.dat").string());
    EXPECT_EQ(host::locateDataFile("nowhere.dat", folders), "nowhere.dat");
}

// A display without a window, presenting into the kept frames, and the frame
// service on a virtual clock.
class ShowStepsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        service.clock = &clock;
        platform::VideoOptions video;
        video.window = false;
        ASSERT_TRUE(screen.create(video));
        ASSERT_EQ(screen.openDisplay(4, false), display::OpenResult::ok);  // 320 × 200 × 32: the frame as it is
        screen.video().setFrameSink(&sink);
        service.startClock();
    }

    platform::VirtualClock clock;
    host::FrameService service;
    display::Display screen;
    testsupport::KeptFrames sink;
};

TEST_F(ShowStepsTest, TheFinalFadePresentsTwoHundredFiftySixFramesEndingInBlack)
{
    std::vector<display::Pixel> endPicture(display::framePixels, 0x00FFFFFF);
    endPicture[1] = 0x00804020;
    const std::uint64_t start = clock.counter();
    host::SpacedSteps fade = host::finalFadeSteps(screen, endPicture.data());
    EXPECT_EQ(host::runSteps(service, [&] { return fade.step(service); }), host::StepResult::finished);

    EXPECT_EQ(sink.count, 256);
    EXPECT_EQ(sink.first[0], 0x00FEFEFEu);  // level 255: (255 × 255) >> 8 = 254
    EXPECT_EQ(sink.first[1], 0x007F3F1Fu);
    EXPECT_EQ(sink.last, std::vector<std::uint32_t>(display::framePixels, 0u));
    EXPECT_GE(clock.counter() - start, platform::Clock::ticksForMs(256));  // at least 1 ms per step
}

// A scene that paints white and ends when the music reaches its position.
class WhiteScene final : public scenes::Scene {
public:
    explicit WhiteScene(int end) : end_(end) {}
    data::Status load(data::DataLibrary&, scenes::SceneContext&) override { return data::Done{}; }
    int endsAt() const override { return end_; }
    int passes = 0;

protected:
    void animate(scenes::SceneContext&, const scenes::PassTime&) override { ++passes; }
    void paint(scenes::SceneContext&, render::FrameSpan frame, const scenes::PassTime&) override
    {
        std::fill(frame.begin(), frame.end(), 0x00FFFFFFu);
    }

private:
    int end_;
};

// The six scenes one after another, each until the music reaches its end
// position (one position every 330 ms: ten passes), the music stopped once,
// then the fade to black; or, with Escape pressed during the third scene,
// `aborted` back to the caller, with nothing after it run.
TEST_F(ShowStepsTest, ScenesInOrderThenTheFadeOrTheAbortBackToTheCaller)
{
    for (const bool escape : {false, true}) {
        std::array<std::unique_ptr<WhiteScene>, 6> owned;
        std::array<scenes::Scene*, 6> scenes{};
        for (int i = 0; i < 6; ++i) {
            owned[i] = std::make_unique<WhiteScene>(i + 1);
            scenes[i] = owned[i].get();
        }
        host::ShowRandom random;
        host::ShowState state;
        scenes::SceneContext context{service, state, random, screen};
        service.startClock();
        const std::uint32_t start = service.nowMs;
        service.musicStatus = {};
        service.readMusicStatus = [&](MusicStatus& status) { status.position = (service.nowMs - start) / 330; };
        service.pumpMessage = [&] {
            if (escape && owned[2]->passes == 4)
                service.abortRequested = true;
        };
        int stops = 0;
        sink = testsupport::KeptFrames{};
        std::vector<display::Pixel> black(display::framePixels, 0);
        host::ShowPasses passes(scenes, context, black.data(), [&] { ++stops; });

        const host::StepResult result = host::runSteps(service, [&] { return passes.step(); });
        if (escape) {
            EXPECT_EQ(result, host::StepResult::aborted);
            EXPECT_EQ(stops, 0);
            EXPECT_EQ(owned[3]->passes, 0);
            service.abortRequested = false;
            continue;
        }
        EXPECT_EQ(result, host::StepResult::finished);
        EXPECT_EQ(stops, 1);
        for (const auto& scene : owned)
            EXPECT_NEAR(scene->passes, 10, 1);
        EXPECT_NEAR(sink.count, 60 + 256, 6);
        EXPECT_EQ(sink.last, black);
    }
}

TEST(ShowRandom, TheSequenceOfSeedOne)
{
    host::ShowRandom r;
    // seed 1 → 1103527590 → 377401575 → 662824084 ...
    EXPECT_EQ(r.rand(), 16838);
    EXPECT_EQ(r.rand(), 5758);
    EXPECT_EQ(r.rand(), 10113);
    for (int i = 0; i < 100000; ++i) {
        const int v = r.rand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

}  // namespace
