// The system's requests to end the show (SIGTERM, SIGINT) end it promptly in
// every phase with exit code 0: the setup window, the show itself (as Escape
// does, fading the music and closing everything) and a capture (kept as far
// as it got, under a name that says it is incomplete). Runs under Xvfb for
// the setup window; without a display that case skips.

#include "tests/host/running_show.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using show_test::RunningShow;

TEST(ShowSignals, TermClosesTheSetupWindowAtOnce)
{
    if (std::getenv("DISPLAY") == nullptr)
        GTEST_SKIP() << "no display for the setup window";
    RunningShow show({}, {{"SDL_AUDIODRIVER", "dummy"}});
    ASSERT_TRUE(show.started());
    EXPECT_EQ(show.waitForExit(1500ms), -1) << "waiting in the setup window: " << show.output();
    show.signal(SIGTERM);
    EXPECT_EQ(show.waitForExit(2000ms), 0) << show.output();
    EXPECT_EQ(show.output().find("Loading music"), std::string::npos) << show.output();
}

TEST(ShowSignals, TermDuringTheShowEndsItAsEscapeDoes)
{
    RunningShow show({"--mode", "320x200x32"}, {{"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", "dummy"}});
    ASSERT_TRUE(show.started());
    ASSERT_TRUE(show.waitForOutput("Done...", 20000ms)) << show.output();
    EXPECT_EQ(show.waitForExit(1500ms), -1) << show.output();
    show.signal(SIGTERM);
    EXPECT_EQ(show.waitForExit(3000ms), 0) << show.output();
    EXPECT_NE(show.output().find("User interruption: Demonstration aborted, darn it..."), std::string::npos)
        << show.output();
}

TEST(ShowSignals, IntDuringACaptureKeepsItUnderAnIncompleteName)
{
    const testsupport::ScratchFolder scratch;
    const fs::path folder = scratch.path("frames");
    const fs::path incomplete = folder.string() + ".incomplete";
    RunningShow show({"--capture", folder.string()}, {});
    ASSERT_TRUE(show.started());
    ASSERT_TRUE(show.waitForOutput("Done...", 20000ms)) << show.output();
    std::this_thread::sleep_for(500ms);
    show.signal(SIGINT);
    EXPECT_EQ(show.waitForExit(5000ms), 0) << show.output();
    EXPECT_FALSE(fs::exists(folder)) << "nothing under the whole capture's name";
    EXPECT_TRUE(fs::exists(incomplete / "frame000000.png")) << show.output();
    EXPECT_TRUE(fs::exists(incomplete / "sound.wav")) << show.output();
    EXPECT_NE(show.output().find("Capture interrupted"), std::string::npos) << show.output();
}

}  // namespace
