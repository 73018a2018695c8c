// Real music: every XM module of the test corpus loads, plays to its end
// through the mixer as corvid-play renders it, and its row timeline (at
// 44100 Hz, with the device's samples per tick) is compared with the
// timelines two other players produce. Without the corpus the test skips.
//
// All fourteen XM modules agree with both players (with --align-start for our
// first row on the speed-th tick, and --tol-rel 0.003 for the even samples
// per tick). None of them uses a pattern delay: where one does, our status
// shows the next row from the first repeated row on (the row is copied into
// the status before the delay is served), while the other players show it
// when it is read; our rule holds there.

#include <gtest/gtest.h>

#include "corpus_support.h"
#include "sound/loaders/module_loader.h"

namespace corvid::testing {
namespace {

TEST(XmCorpus, EveryModulePlaysToItsEndAndMatchesTheOtherPlayersTimelines)
{
    const auto modules = corpusModules([](std::span<const uint8_t> bytes) {
        return detectModuleType(bytes) == ModuleType::xm;
    });
    if (modules.empty())
        GTEST_SKIP() << "no corpus in " << corpusDirectory() << " (fetch it with get-corpus.sh)";
    for (const CorpusModule& module : modules) {
        SCOPED_TRACE(module.name);
        std::string differences;
        const bool agrees = playsAndAgrees(module, differences).withBoth();
        EXPECT_TRUE(agrees) << "timelines differ:\n" << differences;
        std::printf("%-45s %s\n", module.name.c_str(), agrees ? "agrees" : "differs");
    }
}

}  // namespace
}  // namespace corvid::testing
