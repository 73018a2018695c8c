// Real music: every XM module of the test corpus loads, plays to its end
// through the mixer as corvid-play renders it, and its row timeline (at
// 44100 Hz, with the device's samples per tick) is compared with the
// timelines two other players produce.
//
// The corpus is fetched by get-corpus.sh into <build>/corpus (or the folder
// named by SOLVANE_CORPUS_DIR); without it the test skips.
//
// All fourteen XM modules agree with both players (with --align-start for our
// first row on the speed-th tick, and --tol-rel 0.003 for the even samples
// per tick). None of them uses a pattern delay: where one does, our status
// shows the next row from the first repeated row on (the row is copied into
// the status before the delay is served), while the other players show it
// when it is read; our rule holds there.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "tools/corvidplay/song_renderer.h"

namespace corvidplay {
namespace {

namespace fs = std::filesystem;

fs::path corpusDirectory()
{
    if (const char* dir = std::getenv("SOLVANE_CORPUS_DIR"))
        return dir;
    return fs::current_path().parent_path() / "corpus";
}

fs::path sharedCorpusTools()
{
    if (const char* dir = std::getenv("SOLVANE_CORPUS_TOOLS"))
        return dir;
    return "/work/shared/corpus";
}

bool isXm(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    char id[17] = {};
    in.read(id, sizeof id);
    return in.gcount() == 17 && std::string(id, 17) == "Extended Module: ";
}


// Runs compare_timeline.py; true when the timelines agree. Its report goes
// next to our timeline.
bool agrees(const fs::path& ours, const fs::path& theirs, const std::string& peer)
{
    const fs::path report = ours.string() + "." + peer + ".txt";
    const std::string command = "python3 '" + (sharedCorpusTools() / "compare_timeline.py").string() + "' '" +
                                ours.string() + "' '" + theirs.string() + "' --align-start --tol-rel 0.003 > '" +
                                report.string() + "' 2>&1";
    const bool agree = std::system(command.c_str()) == 0;
    EXPECT_TRUE(agree) << "see " << report;
    return agree;
}

TEST(XmCorpus, EveryModulePlaysToItsEndAndMatchesTheOtherPlayersTimelines)
{
    const fs::path corpus = corpusDirectory();
    if (!fs::is_directory(corpus))
        GTEST_SKIP() << "no corpus in " << corpus << " (fetch it with get-corpus.sh " << corpus << ")";
    std::map<std::string, bool> results;
    for (const auto& package : fs::directory_iterator(corpus)) {
        if (!package.is_directory())
            continue;
        for (const auto& entry : fs::directory_iterator(package.path())) {
            if (!isXm(entry.path()))
                continue;
            const std::string name = package.path().filename().string() + "__" + entry.path().filename().string();
            SCOPED_TRACE(name);
            const fs::path ours = fs::current_path() / ("corvid__" + name + ".tl");
            std::FILE* timeline = std::fopen(ours.c_str(), "w");
            ASSERT_NE(timeline, nullptr);
            std::fprintf(timeline, "# corvid engine, 44100 Hz\n");
            corvidplay::RenderResult result;
            const corvid::ErrorCode error = corvidplay::renderSong(
                entry.path().string(), {}, nullptr,
                [timeline](const corvidplay::RowStart& r) {
                    std::fprintf(timeline, "%.6f %u %u %u\n", r.seconds, r.position, r.row, r.pattern);
                },
                result);
            std::fclose(timeline);
            ASSERT_EQ(error, corvid::ErrorCode::ok);
            EXPECT_TRUE(result.wrapped) << "the song did not reach its end";
            const fs::path timelines = sharedCorpusTools() / "timelines";
            const bool xmp = agrees(ours, timelines / "xmp" / (name + ".tl"), "xmp");
            const bool openmpt = agrees(ours, timelines / "openmpt" / (name + ".tl"), "openmpt");
            results[name] = xmp && openmpt;
        }
    }
    ASSERT_FALSE(results.empty()) << "no XM module in " << corpus;
    for (const auto& [name, agree] : results)
        std::printf("%-45s %s\n", name.c_str(), agree ? "agrees" : "differs");
}

}  // namespace
}  // namespace corvidplay
