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

#include "sound/core/error_code.h"
#include "tests/support/scratch_folder.h"
#include "tools/corvidplay/song_renderer.h"

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
    // The shared folder stands beside the repository's checkout.
    const fs::path beside = fs::path(SOLVANE_SOURCE_DIR).parent_path() / "shared" / "corpus";
    return fs::is_directory(beside) ? beside : fs::path("/work/shared/corpus");
}

struct CorpusModule {
    std::string name;  // <package>__<file>, as the timelines are named
    fs::path path;
};

// Every module of the corpus whose first bytes `wanted` accepts.
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
            std::vector<uint8_t> head(2048);
            in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
            head.resize(static_cast<size_t>(in.gcount()));
            if (wanted(head))
                modules.push_back({package.path().filename().string() + "__" + entry.path().filename().string(),
                                   entry.path()});
        }
    }
    return modules;
}

// Runs compare_timeline.py; true when the timelines agree, else its report
// is added to `differences`.
inline bool timelinesAgree(const fs::path& ours, const fs::path& theirs, const std::string& peer,
                           std::string& differences)
{
    const fs::path report = ours.string() + "." + peer + ".txt";
    const std::string command = "python3 '" + (sharedCorpusTools() / "compare_timeline.py").string() + "' '" +
                                ours.string() + "' '" + theirs.string() + "' --align-start --tol-rel 0.003 > '" +
                                report.string() + "' 2>&1";
    if (std::system(command.c_str()) == 0)
        return true;
    differences += "against " + peer + ":\n" + testsupport::readText(report);
    return false;
}

// Whether a module played to its end, and which players' timelines ours agrees with.
struct TimelineAgreement {
    bool played = false;
    bool xmp = false;
    bool openmpt = false;
    bool withBoth() const { return played && xmp && openmpt; }
    bool withEither() const { return played && (xmp || openmpt); }
};

// Renders a corpus module once to its end as corvid-play does, writes our
// timeline into a scratch folder, and compares it with both players'
// timelines; what differs is added to `differences`.
inline TimelineAgreement playsAndAgrees(const CorpusModule& corpusModule, std::string& differences)
{
    const testsupport::ScratchFolder folder;
    const fs::path ours = folder.path(corpusModule.name + ".tl");
    std::FILE* timeline = std::fopen(ours.string().c_str(), "w");
    EXPECT_NE(timeline, nullptr);
    if (!timeline)
        return {};
    std::fprintf(timeline, "# corvid engine, 44100 Hz\n");
    corvidplay::RenderResult result;
    const ErrorCode error = corvidplay::renderSong(
        corpusModule.path.string(), {}, nullptr,
        [timeline](const corvidplay::RowStart& r) {
            std::fprintf(timeline, "%.6f %u %u %u\n", r.seconds, r.position, r.row, r.pattern);
        },
        result);
    std::fclose(timeline);
    EXPECT_EQ(error, ErrorCode::ok);
    EXPECT_TRUE(result.wrapped) << "the song did not reach its end";
    const fs::path timelines = sharedCorpusTools() / "timelines";
    return {error == ErrorCode::ok && result.wrapped,
            timelinesAgree(ours, timelines / "xmp" / (corpusModule.name + ".tl"), "xmp", differences),
            timelinesAgree(ours, timelines / "openmpt" / (corpusModule.name + ".tl"), "openmpt", differences)};
}

}  // namespace corvid::testing
