#pragma once
// The test corpus of real modules (fetched by get-corpus.sh into
// <build>/corpus, or the folder SOLVANE_CORPUS_DIR names) and the comparison
// of our row timelines with the two other players' timelines.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "player_test_support.h"

namespace corvid::testing {

namespace fs = std::filesystem;

inline fs::path corpusDirectory()
{
    if (const char* dir = std::getenv("SOLVANE_CORPUS_DIR"))
        return dir;
    return fs::current_path().parent_path() / "corpus";
}

inline fs::path sharedCorpusTools()
{
    if (const char* dir = std::getenv("SOLVANE_CORPUS_TOOLS"))
        return dir;
    return "/work/shared/corpus";
}

struct CorpusModule {
    std::string name;  // <package>__<file>, as the timelines are named
    std::vector<uint8_t> bytes;
};

// Every module of the corpus whose content `wanted` accepts.
template <typename Wanted>
std::vector<CorpusModule> corpusModules(Wanted wanted)
{
    std::vector<CorpusModule> modules;
    const fs::path corpus = corpusDirectory();
    if (!fs::is_directory(corpus))
        return modules;
    for (const auto& package : fs::directory_iterator(corpus)) {
        // The fetcher keeps its downloads in a hidden folder beside the modules.
        if (!package.is_directory() || package.path().filename().string().starts_with("."))
            continue;
        for (const auto& entry : fs::directory_iterator(package.path())) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (wanted(bytes))
                modules.push_back({package.path().filename().string() + "__" + entry.path().filename().string(),
                                   std::move(bytes)});
        }
    }
    return modules;
}

inline void writeTimeline(const fs::path& file, const std::vector<TimelineRow>& rows)
{
    std::FILE* out = std::fopen(file.c_str(), "w");
    ASSERT_NE(out, nullptr);
    std::fprintf(out, "# corvid engine, 44100 Hz\n");
    for (const TimelineRow& r : rows)
        std::fprintf(out, "%.6f %u %u %u\n", r.seconds, r.position, r.row, r.pattern);
    std::fclose(out);
}

// Runs compare_timeline.py; true when the timelines agree. Its report goes
// next to our timeline.
inline bool timelinesAgree(const fs::path& ours, const fs::path& theirs, const std::string& peer)
{
    const fs::path report = ours.string() + "." + peer + ".txt";
    const std::string command = "python3 '" + (sharedCorpusTools() / "compare_timeline.py").string() + "' '" +
                                ours.string() + "' '" + theirs.string() + "' --align-start --tol-rel 0.003 > '" +
                                report.string() + "' 2>&1";
    return std::system(command.c_str()) == 0;
}

// Plays a corpus module once to its end, writes our timeline next to the
// test, and compares it with both players' timelines: true when both agree.
inline bool playsAndAgrees(const CorpusModule& corpusModule)
{
    PlayerHarness harness(corpusModule.bytes);
    EXPECT_TRUE(harness.module);
    if (!harness.module)
        return false;
    const std::vector<TimelineRow> rows = renderTimeline(harness, 44100);
    EXPECT_GE(harness.instance->songLoopCount, 1u) << "the song did not reach its end";
    const fs::path ours = fs::current_path() / ("corvid__" + corpusModule.name + ".tl");
    writeTimeline(ours, rows);
    const fs::path timelines = sharedCorpusTools() / "timelines";
    const bool xmp = timelinesAgree(ours, timelines / "xmp" / (corpusModule.name + ".tl"), "xmp");
    const bool openmpt = timelinesAgree(ours, timelines / "openmpt" / (corpusModule.name + ".tl"), "openmpt");
    return xmp && openmpt;
}

}  // namespace corvid::testing
