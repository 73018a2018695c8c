// The whole show, start to end, captured off-screen on virtual time: the
// program as a user runs it, checked from the outside.

#include "tests/support/png_reader.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool allBlack(const std::vector<std::uint32_t>& pixels)
{
    for (std::uint32_t p : pixels)
        if (p != 0)
            return false;
    return !pixels.empty();
}

TEST(ShowCapture, TheWholeShowPlaysToItsFadeAndEndsWithExitCodeOne)
{
#ifdef SOLVANE_SANITIZED
    GTEST_SKIP() << "the whole show takes too long under the sanitizers";
#endif
    const testsupport::ScratchFolder scratch;
    const fs::path out = scratch.path("frames");
    // The test runs in the build's bin/ folder, where solvane, qorv.xm and qorv.dat are.
    const std::string command = "./solvane --capture '" + out.string() + "' --mode 320x200x32 >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "a complete show ends with exit code 1";

    std::size_t frames = 0;
    for (const auto& entry : fs::directory_iterator(out))
        frames += entry.path().extension() == ".png";
    // 45 positions of 64 rows at speed 6 and tempo 125 last 345.6 s: about
    // 10 470 frames of 33 ms, then the final fade's quarter of a second.
    EXPECT_GT(frames, 10400u);
    EXPECT_LT(frames, 10600u);
    EXPECT_TRUE(allBlack(testsupport::readPng(out / "frame000000.png"))) << "the show starts from black";
    char last[32];
    std::snprintf(last, sizeof last, "frame%06zu.png", frames - 1);
    EXPECT_TRUE(allBlack(testsupport::readPng(out / last))) << "the final fade ends in black";
    char fadeStart[32];
    std::snprintf(fadeStart, sizeof fadeStart, "frame%06zu.png", frames - 10);
    EXPECT_FALSE(allBlack(testsupport::readPng(out / fadeStart))) << "the fade starts from the closing picture";

    // The sound lasts as long as the pictures: 33 ms of 44100 Hz stereo 16-bit per frame.
    const auto soundBytes = fs::file_size(out / "sound.wav") - 44;
    const double soundSeconds = static_cast<double>(soundBytes) / (44100.0 * 4);
    EXPECT_NEAR(soundSeconds, static_cast<double>(frames) * 0.033, 0.1);
}

}  // namespace
