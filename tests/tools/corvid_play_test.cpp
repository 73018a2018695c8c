// corvid-play through the device stack: its row timeline is the renderer's
// (the capture device ticks the player on the same frames), its WAV output
// is the same on every run, and it refuses what it cannot use.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/sound/xm_writer.h"
#include "tests/support/files.h"
#include "tests/support/scratch_folder.h"
#include "tools/corvidplay/song_renderer.h"

namespace {

struct RunResult {
    int exitCode = -1;
    std::string output;
};

RunResult run(const std::string& arguments)
{
    RunResult result;
    std::FILE* pipe = popen(("./corvid-play " + arguments + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Timeline lines without the comment lines.
std::vector<std::string> rowLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        if (!line.empty() && line[0] != '#')
            lines.push_back(line);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

TEST(CorvidPlay, TraceOfTheShowsMusicMatchesTheRenderer)
{
    const RunResult traced = run("--trace qorv.xm");
    ASSERT_EQ(traced.exitCode, 0);
    std::vector<std::string> expected;
    corvidplay::RenderResult result;
    ASSERT_EQ(corvidplay::renderSong("qorv.xm", {}, nullptr,
                                     [&expected](const corvidplay::RowStart& r) {
                                         char line[96];
                                         std::snprintf(line, sizeof line, "%.6f %u %u %u", r.seconds, r.position, r.row,
                                                       r.pattern);
                                         expected.emplace_back(line);
                                     },
                                     result),
              corvid::ErrorCode::ok);
    const std::vector<std::string> lines = rowLines(traced.output);
    ASSERT_GT(lines.size(), 100u);
    EXPECT_EQ(lines, expected);
}

TEST(CorvidPlay, WavRendersAreIdentical)
{
    corvid::testing::XmSong song = corvid::testing::simpleSong(2, 16);
    song.patterns[0].at(0, 0, 2) = {49, 1, 0, 0, 0};
    song.patterns[0].at(4, 1, 2) = {61, 1, 0, 0, 0};
    const testsupport::ScratchFolder folder;
    const std::string module = folder.path("song.xm");
    testsupport::writeBytes(module, corvid::testing::writeXm(song));
    for (const auto& [wav, options] : {std::pair{"1.wav", ""}, {"2.wav", " --integer"}, {"3.wav", ""},
                                       {"4.wav", " --resampler sinc"}, {"5.wav", " --resampler linear"},
                                       {"6.wav", " --interpolate"}})
        ASSERT_EQ(run("--wav '" + folder.path(wav) + "'" + options + " '" + module + "'").exitCode, 0) << wav;
    const std::string first = testsupport::readText(folder.path("1.wav"));
    // 16 rows at speed 6 and 125 BPM, ended at the 10 ms step where the song wraps.
    EXPECT_GE(first.size(), 44u + 16 * 6 * 882 * 4);
    EXPECT_LE(first.size(), 44u + 17 * 6 * 882 * 4);
    EXPECT_EQ(first.substr(0, 4), "RIFF");
    EXPECT_TRUE(first == testsupport::readText(folder.path("3.wav"))) << "two renders differ";
    EXPECT_EQ(testsupport::readText(folder.path("2.wav")).size(), first.size()) << "integer mixing, the same length";
    // Each resampler sounds different; --interpolate is linear.
    const std::string sinc = testsupport::readText(folder.path("4.wav"));
    const std::string linear = testsupport::readText(folder.path("5.wav"));
    EXPECT_EQ(sinc.size(), first.size());
    EXPECT_TRUE(sinc != first && sinc != linear && linear != first);
    EXPECT_TRUE(linear == testsupport::readText(folder.path("6.wav")));
}

TEST(CorvidPlay, RefusesWhatItCannotUse)
{
    EXPECT_EQ(run("").exitCode, 2);
    EXPECT_EQ(run("--device speaker qorv.xm").exitCode, 2);
    EXPECT_EQ(run("--buffer 10 qorv.xm").exitCode, 2);
    EXPECT_EQ(run("--bogus qorv.xm").exitCode, 2);
    EXPECT_EQ(run("--resampler cubic qorv.xm").exitCode, 2);
    EXPECT_EQ(run("--help").exitCode, 0);
    EXPECT_EQ(run("--trace no-such-module.xm").exitCode, 1);
    EXPECT_EQ(run("--device silent --buffer 100 no-such-module.xm").exitCode, 1);
}

}  // namespace
