// The show with no sound card, and with a sound card that goes away while the
// show plays. Each case runs the built program on SDL's off-screen video, as
// a child whose sound is steered through SDL's audio driver choice: a driver
// that does not exist stands for a machine without a sound card, and SDL's
// disk driver writing into a pipe stands for a card that works until the
// test closes the pipe (the driver then reports its device gone, as an
// unplugged card does).

#include "tests/host/running_show.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using show_test::RunningShow;
using namespace std::chrono_literals;

// The show with SDL's off-screen video, the sound steered through SDL's
// audio driver (and, for its disk driver, the file it writes to).
RunningShow showWithSound(const std::string& audioDriver, const std::string& diskFile = "")
{
    return RunningShow({"--mode", "320x200x32"},
                       {{"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", audioDriver}, {"SDL_DISKAUDIOFILE", diskFile}});
}

TEST(ShowSoundCard, WithoutASoundCardTheShowRunsOnTheSilentDevice)
{
    RunningShow show = showWithSound("no-such-sound-driver");
    ASSERT_TRUE(show.started());
    // Three seconds into the opening: still running (the music position
    // advances in real time on the silent device, so the show is far from its end).
    EXPECT_EQ(show.waitForExit(3000ms), -1) << show.output();
    // The interrupt ends the show as Escape does, with exit code 0.
    show.signal(SIGINT);
    EXPECT_EQ(show.waitForExit(10000ms), 0) << show.output();
    EXPECT_NE(show.output().find("Done..."), std::string::npos) << show.output();
    // Detection simply ends at the silent device: no error, no fallback line.
    EXPECT_EQ(show.output().find("CORVID"), std::string::npos) << show.output();
    EXPECT_EQ(show.output().find("sound output disabled"), std::string::npos) << show.output();
}

TEST(ShowSoundCard, ASoundCardLostDuringTheShowEndsItWithTheLibrarysFatalError)
{
    const testsupport::ScratchFolder folder;
    const fs::path card = folder.path("card");
    ASSERT_EQ(mkfifo(card.c_str(), 0600), 0);
    // Opened first, without waiting, so that the show's open for writing finds
    // a reader; not inherited, so that closing it leaves the pipe without one.
    const int reader = open(card.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    {
        RunningShow show = showWithSound("disk", card.string());
        ASSERT_TRUE(show.started());
        // Play two seconds of sound (44100 Hz stereo 16-bit), paced by the driver.
        std::size_t heard = 0;
        const auto end = std::chrono::steady_clock::now() + 20s;
        char buffer[65536];
        while (heard < 2 * 44100 * 4 && std::chrono::steady_clock::now() < end) {
            pollfd ready{reader, POLLIN, 0};
            if (poll(&ready, 1, 100) > 0) {
                const ssize_t got = read(reader, buffer, sizeof buffer);
                heard += got > 0 ? static_cast<std::size_t>(got) : 0;
            }
        }
        ASSERT_GE(heard, 2u * 44100 * 4) << show.output();
        close(reader);  // the card goes away

        // The next block the player sends fails: the library undoes itself
        // and ends the process with its message, well within a second or two.
        EXPECT_EQ(show.waitForExit(10000ms), 255) << show.output();
        EXPECT_NE(show.output().find("Done..."), std::string::npos) << show.output();
        EXPECT_NE(show.output().find("CORVID Error: Device is not available"), std::string::npos) << show.output();
    }
}

}  // namespace
