// Real MOD, S3M and IT modules of the test corpus: each loads, plays to its
// end, and its row timeline is compared with two other players' timelines
// (as for XM). Without the corpus the test skips.

#include <gtest/gtest.h>

#include <string>

#include "corpus_support.h"
#include "sound/loaders/module_loader.h"

namespace corvid::testing {
namespace {

// The one module on which the two other players disagree with each other
// (they read its D32 break differently): ours must agree with one of them.
const std::string disputedModule = "tecnoballz-data__in-game-music-1_reg.mod";

void checkCorpusFormat(ModuleType type)
{
    const auto modules = corpusModules([type](std::span<const uint8_t> bytes) {
        return detectModuleType(bytes) == type;
    });
    if (modules.empty())
        GTEST_SKIP() << "no corpus in " << corpusDirectory() << " (fetch it with get-corpus.sh)";
    for (const CorpusModule& module : modules) {
        SCOPED_TRACE(module.name);
        std::string differences;
        const TimelineAgreement agreement = playsAndAgrees(module, differences);
        const bool disputed = module.name == disputedModule;
        EXPECT_TRUE(disputed ? agreement.withEither() : agreement.withBoth()) << "timelines differ:\n" << differences;
        std::printf("%-50s xmp %s, openmpt %s\n", module.name.c_str(), agreement.xmp ? "agrees" : "differs",
                    agreement.openmpt ? "agrees" : "differs");
    }
}

TEST(FormatCorpus, ModModulesPlayToTheirEndAndMatchTheOtherPlayers) { checkCorpusFormat(ModuleType::mod); }
TEST(FormatCorpus, S3mModulesPlayToTheirEndAndMatchTheOtherPlayers) { checkCorpusFormat(ModuleType::s3m); }
TEST(FormatCorpus, ItModulesPlayToTheirEndAndMatchTheOtherPlayers) { checkCorpusFormat(ModuleType::it); }

}  // namespace
}  // namespace corvid::testing
