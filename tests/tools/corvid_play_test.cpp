// corvid-play: its row timeline is the renderer's, its WAV output the same
// on every run; a start or seek renders the tail of the whole render, mutes
// and solo agree, it plays several files in a row on the silent output, and
// it refuses what it cannot use with the exit codes users expect.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tests/sound/mod_writer.h"
#include "tests/support/xm_module.h"
#include "tests/support/files.h"
#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"
#include "tools/corvidplay/play_options.h"
#include "tools/corvidplay/song_renderer.h"
#include "tools/corvidplay/terminal_keys.h"

namespace {

using RunResult = testsupport::ProgramRun;

// Runs corvid-play with standard error dropped, or joined to the output;
// through ALSA, which on a machine without a sound card has plenty to say.
RunResult run(const std::string& arguments, bool withErrors = false)
{
    const std::string errors = withErrors ? " 2>&1" : " 2>/dev/null";
    return testsupport::runCommand("SDL_AUDIODRIVER=alsa ./corvid-play " + arguments + errors + " </dev/null");
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


class CorvidPlayOnASong : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::XmModule song = testsupport::simpleSong(2, 16);
        song.name = "two voices";
        song.patterns[0].at(0, 0, 2) = {49, 1, 0, 0, 0};
        song.patterns[0].at(4, 1, 2) = {61, 1, 0, 0, 0};
        song.patterns[0].at(9, 0, 2) = {37, 1, 0, 0, 0};
        testsupport::writeBytes(module, testsupport::xmBytes(song));
    }

    // Where the renderer starts `row`, in bytes of 16-bit stereo; the pass's length for -1.
    size_t rowStartBytes(int row) const
    {
        size_t frame = 0;
        corvidplay::RenderResult result;
        corvidplay::renderSong(module, {}, nullptr,
                               [&](const corvidplay::RowStart& r) {
                                   if (static_cast<int>(r.row) == row && frame == 0)
                                       frame = static_cast<size_t>(std::lround(r.seconds * 44100));
                               },
                               result);
        return 4 * (row < 0 ? result.frames : frame);
    }

    // The sound of a WAV render with these options (the 44-byte header dropped).
    std::string render(const std::string& options, int expectedExit = 0) { return renderOf(module, options, expectedExit); }
    std::string renderOf(const std::string& path, const std::string& options, int expectedExit = 0)
    {
        const std::string wav = folder.path("out.wav");
        EXPECT_EQ(run("--wav '" + wav + "' " + options + " '" + path + "'").exitCode, expectedExit) << options;
        const std::string bytes = testsupport::readText(wav);
        return bytes.size() > 44 ? bytes.substr(44) : "";
    }

    const testsupport::ScratchFolder folder;
    const std::string module = folder.path("song.xm");
};

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

TEST_F(CorvidPlayOnASong, WavRendersAreIdentical)
{
    const std::string first = render("");
    EXPECT_EQ(first.size(), rowStartBytes(-1)) << "one pass, its last row heard to the end";
    EXPECT_TRUE(render("") == first) << "two renders differ";
    EXPECT_EQ(render("--integer").size(), first.size()) << "integer mixing, the same length";
    EXPECT_EQ(render("--loop 1").size(), 2 * first.size() - rowStartBytes(0)) << "the second pass starts at row 0";
    EXPECT_NEAR(static_cast<double>(render("--rate 22050").size()), first.size() / 2.0, first.size() / 200.0);
    // Each resampler sounds different; --interpolate is linear.
    const std::string sinc = render("--resampler sinc");
    const std::string linear = render("--resampler linear");
    EXPECT_EQ(sinc.size(), first.size());
    EXPECT_EQ(linear.size(), first.size());
    EXPECT_TRUE(sinc != first && sinc != linear && linear != first);
    EXPECT_TRUE(linear == render("--interpolate"));
}

TEST_F(CorvidPlayOnASong, StandardOutputGetsTheSameSound)
{
    const std::string file = render("");
    const RunResult piped = run("--wav - '" + module + "'");
    ASSERT_EQ(piped.exitCode, 0);
    ASSERT_EQ(piped.output.size(), file.size() + 44);
    EXPECT_EQ(piped.output.substr(0, 4), "RIFF");
    EXPECT_TRUE(piped.output.substr(44) == file);
}

// The WAV's 16-bit values.
std::vector<int16_t> valuesOf(const std::string& sound)
{
    std::vector<int16_t> values(sound.size() / 2);
    std::memcpy(values.data(), sound.data(), values.size() * 2);
    return values;
}

int peakOf(const std::vector<int16_t>& values)
{
    int peak = 0;
    for (int16_t v : values)
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    return peak;
}

TEST_F(CorvidPlayOnASong, SeparationAmplificationAndQuiet)
{
    // A MOD, whose first channel is panned hard left.
    corvid::testing::ModSong mod = corvid::testing::modWithOneSample(2000);
    mod.samples[0].loopLengthWords = 1000;
    mod.cell(0, 0, 0) = {428, 1};
    const std::string sided = folder.path("sided.mod");
    testsupport::writeBytes(sided, corvid::testing::writeMod(mod));
    const std::vector<int16_t> plain = valuesOf(renderOf(sided, ""));
    const std::vector<int16_t> mono = valuesOf(renderOf(sided, "--separation 0"));
    ASSERT_EQ(mono.size(), plain.size());
    bool leans = false;
    for (size_t i = 0; i < plain.size(); i += 2) {
        leans = leans || plain[i] != plain[i + 1];
        ASSERT_EQ(mono[i], mono[i + 1]) << i;
    }
    EXPECT_TRUE(leans) << "the song itself is not mono";
    const int louder = peakOf(valuesOf(renderOf(sided, "--amplify 200")));
    EXPECT_NEAR(louder, 2 * peakOf(plain), peakOf(plain) / 50 + 2);

    const std::string wav = folder.path("quiet.wav");
    EXPECT_NE(run("--wav '" + wav + "' '" + module + "'", true).output.find("wrote"), std::string::npos);
    const RunResult quiet = run("--quiet --wav '" + wav + "' '" + module + "'", true);
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.output, "");
}

TEST_F(CorvidPlayOnASong, StartAndSeekRenderTheTailOfTheWholeRender)
{
    const std::string whole = render("");
    EXPECT_TRUE(render("--start 0:9") == whole.substr(rowStartBytes(9)));
    EXPECT_TRUE(render("--seek 0.6") == whole.substr(26460 * 4)) << "0.6 s is frame 26460";
    EXPECT_TRUE(render("--seek 0:01.5") == whole.substr(66150 * 4));
    render("--start 0:16", 1);
    render("--seek 5", 1);
}

TEST_F(CorvidPlayOnASong, MuteAndSoloAgree)
{
    const std::string whole = render("");
    const std::string second = render("--solo 2");
    EXPECT_TRUE(render("--mute 1") == second);
    EXPECT_TRUE(second != whole);
    EXPECT_TRUE(render("--mute 1-2") == std::string(whole.size(), 0));
    EXPECT_TRUE(render("--solo 1,2") == whole);
    render("--mute 3", 1);
}

TEST_F(CorvidPlayOnASong, DescribesAndPlaysSeveralFilesGoingOnPastOneThatFails)
{
    const RunResult info = run("--info '" + module + "' no-such-module.xm '" + module + "'", true);
    EXPECT_EQ(info.exitCode, 1);
    EXPECT_NE(info.output.find("title:     two voices"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("format:    XM"), std::string::npos);
    EXPECT_NE(info.output.find("channels:  2"), std::string::npos);
    EXPECT_NE(info.output.find("duration:  0:02.0 (2.040 s)"), std::string::npos);
    EXPECT_NE(info.output.find("instruments (1):\n    1  instrument\nsamples (1):\n    1  sample\n"), std::string::npos);
    EXPECT_NE(info.output.find("no-such-module.xm: "), std::string::npos);
    EXPECT_NE(info.output.find("title:", info.output.find("title:") + 1), std::string::npos) << "both described";
    // Played in real time on the silent output: the last 0.1 s of each.
    const std::string both = "--device silent --seek 1.8 '" + module + "' '" + module + "'";
    EXPECT_EQ(run(both).exitCode, 0);
    EXPECT_EQ(run("--device silent --seek 1.8 no-such-module.xm '" + module + "'").exitCode, 1);
}

TEST(CorvidPlay, RefusesWhatItCannotUse)
{
    EXPECT_EQ(run("").exitCode, 2);
    for (const char* options : {"--device speaker", "--buffer 10", "--bogus", "--rate 4000", "--separation 201",
                                "--amplify 0", "--loop -2", "--mute 0", "--solo 2-1", "--start x", "--seek -1",
                                "--resampler cubic", "--integer --resampler sinc", "--start 1 --seek 2", "--rate"})
        EXPECT_EQ(run(std::string(options) + " qorv.xm").exitCode, 2) << options;
    EXPECT_EQ(run("--wav a.wav qorv.xm qorv.xm").exitCode, 2);
    EXPECT_EQ(run("--wav a.wav --loop -1 qorv.xm").exitCode, 2);
    EXPECT_EQ(run("--help").exitCode, 0);
    EXPECT_EQ(run("--trace no-such-module.xm").exitCode, 1);
    EXPECT_EQ(run("--device silent --buffer 100 no-such-module.xm").exitCode, 1);
    const RunResult refused = run("--rate 4000 qorv.xm", true);
    EXPECT_NE(refused.output.find("--rate takes 8000 to 96000 Hz, not \"4000\""), std::string::npos);
}

// What most options select is checked on the program's output above; here,
// integer mixing (the output above shows only its length), the times and
// channel lists it must refuse, and the times it prints.
TEST(CorvidPlayOptions, IntegerMixingTimesAndChannelLists)
{
    corvidplay::PlayOptions integer;
    ASSERT_EQ(corvidplay::parseArguments({"--integer", "a.xm"}, integer), "");
    EXPECT_EQ(integer.song.mixing, CORVID_MIXING_INTEGER);
    double seconds = 0;
    EXPECT_TRUE(corvidplay::parseSeconds("1:02:03.5", seconds));
    EXPECT_DOUBLE_EQ(seconds, 3723.5);
    for (const char* bad : {"", "1:60", "1.5:00", "1:2:3:4", "inf", "1e3", "-2", "0x10", ":5"})
        EXPECT_FALSE(corvidplay::parseSeconds(bad, seconds)) << bad;
    std::vector<int> channels;
    for (const char* bad : {"", "1,", "0", "257", "3-2", "1-", "a"})
        EXPECT_FALSE(corvidplay::parseChannelList(bad, channels)) << bad;
    EXPECT_EQ(corvidplay::formatSeconds(3723.56), "1:02:03.5");
    EXPECT_EQ(corvidplay::formatSeconds(62.39), "1:02.3");
}

TEST(CorvidPlayOptions, StatusLineAndKeys)
{
    corvidplay::HeardMoment moment;
    moment.position = {3, 12, 33, 2, 62.3};
    moment.activity = "#. ";
    EXPECT_EQ(corvidplay::statusLine(moment, 45, 225, true),
              "order   3/45  pattern  12  row  33  1:02.3 / 3:45.0  |#. |  paused");
    corvid_channel_state state{};
    state.active = 1;
    state.volume = 64;
    EXPECT_EQ(corvidplay::activityMark(state), '#');
    state.volume = 10;
    EXPECT_EQ(corvidplay::activityMark(state), '.');
    state.active = 0;
    EXPECT_EQ(corvidplay::activityMark(state), ' ');
    using corvidplay::Key;
    EXPECT_EQ(corvidplay::lastKey(" "), Key::pause);
    EXPECT_EQ(corvidplay::lastKey("\x1b[Cx"), Key::forward);
    EXPECT_EQ(corvidplay::lastKey("q\x1b[D"), Key::back);
    EXPECT_EQ(corvidplay::lastKey("\x1b[A"), Key::none) << "up is not a key it answers";
}

TEST(CorvidPlay, TheSoundSystemsOwnComplaintsStayOffTheTerminal)
{
    const testsupport::ScratchFolder folder;
    const std::string module = folder.path("short.xm");
    testsupport::writeBytes(module, testsupport::xmBytes(testsupport::simpleSong(1, 4)));
    const RunResult played = run("'" + module + "'", true);
    EXPECT_EQ(played.exitCode, 0);
    EXPECT_EQ(played.output.find("ALSA"), std::string::npos) << played.output;
}

}  // namespace
