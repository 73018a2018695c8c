#include "host/frame_service.h"
#include "host/show.h"
#include "host/sine_table.h"
#include "display/display.h"
#include "platform/dialog.h"

#include <gtest/gtest.h>

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

TEST(ProgressLine, PlaceholderAndLineFeeds)
{
    EXPECT_EQ(host::formatProgressLine("Loading music (%s)...", "qorv.xm"), "Loading music (qorv.xm)...");
    EXPECT_EQ(host::formatProgressLine("Loading and initialising data... ", ""), "Loading and initialising data... ");
    EXPECT_EQ(host::formatProgressLine("a\nb%s\n", "c\nd"), "abcd");
    EXPECT_EQ(host::formatProgressLine(std::string(300, 'x').c_str(), "").size(), 255u);
}

TEST(AbortDeathTest, EscapeDuringTheShowEndsWithTheMessageAndExitCodeZero)
{
    EXPECT_EXIT(
        {
            platform::VirtualClock clock;
            platform::setDialogsOnScreen(false);
            platform::VideoOptions video;
            video.window = false;
            display::mainDisplay.create(video);
            display::mainDisplay.openDisplay(7, false);
            auto& service = host::frameService;
            service.clock = &clock;
            service.startClock();
            service.pumpMessage = [&] {
                display::displayWindowProcedure({platform::WindowEventKind::keyDown, platform::virtualKeyEscape},
                                                service.abortRequested);
            };
            service.abort = host::abortShow;
            service.frameTick();
            std::exit(3);  // not reached: the abort ends the process
        },
        ::testing::ExitedWithCode(0), "User interruption: Demonstration aborted, darn it\\.\\.\\.");
}

}  // namespace

#include "host/data_files.h"

#include <filesystem>
#include <fstream>

namespace {

TEST(DataFiles, CurrentFolderFirstThenTheSearchFoldersInOrder)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("solvane-data-files-" + std::to_string(::getpid()));
    fs::create_directories(root / "a");
    fs::create_directories(root / "b");
    std::ofstream(root / "b" / "only-in-b.dat") << "x";
    std::ofstream(root / "a" / "in-both.dat") << "x";
    std::ofstream(root / "b" / "in-both.dat") << "x";
    const std::vector<std::string> folders = {(root / "a").string(), (root / "b").string()};

    EXPECT_EQ(host::locateDataFile("only-in-b.dat", folders), (root / "b" / "only-in-b.dat").string());
    EXPECT_EQ(host::locateDataFile("in-both.dat", folders), (root / "a" / "in-both.dat").string());
    EXPECT_EQ(host::locateDataFile("nowhere.dat", folders), "nowhere.dat");
    fs::remove_all(root);
}

}  // namespace

#include "platform/capture.h"

namespace {

class KeepLastFrame final : public platform::FrameSink {
public:
    void writeFrame(const std::uint32_t* pixels, int width, int height) override
    {
        last.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
        if (frames == 0)
            first = last;
        ++frames;
    }
    bool finish() override { return true; }
    std::string error() const override { return {}; }
    int framesWritten() const override { return frames; }
    std::vector<std::uint32_t> first, last;
    int frames = 0;
};

TEST(FinalFade, PresentsTwoHundredFiftySixFramesEndingInBlack)
{
    platform::VirtualClock clock;
    host::frameService.clock = &clock;
    display::Display screen;
    platform::VideoOptions video;
    video.window = false;
    ASSERT_TRUE(screen.create(video));
    ASSERT_EQ(screen.openDisplay(4, false), display::OpenResult::ok);  // 320 × 200 × 32: the frame as it is
    KeepLastFrame sink;
    screen.video().setFrameSink(&sink);

    std::vector<display::Pixel> endPicture(display::framePixels, 0x00FFFFFF);
    endPicture[1] = 0x00804020;
    const std::uint64_t start = clock.counter();
    host::finalFade(screen, endPicture.data());

    EXPECT_EQ(sink.frames, 256);
    EXPECT_EQ(sink.first[0], 0x00FEFEFEu);  // level 255: (255 × 255) >> 8 = 254
    EXPECT_EQ(sink.first[1], 0x007F3F1Fu);
    EXPECT_EQ(sink.last, std::vector<std::uint32_t>(display::framePixels, 0u));
    EXPECT_GE(clock.counter() - start, platform::Clock::ticksForMs(256));  // at least 1 ms per step
}

}  // namespace

#include "host/show_random.h"

namespace {

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
