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
