// Every module of the test set (XM, MOD, S3M), the real modules of every
// format and the show's data library, cut short at many offsets: each piece
// must load with an error, never crash or read past its end (the sanitizer
// build makes the second visible).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/show_assets.h"
#include "sound/loaders/module_loader.h"
#include "tests/support/cuts.h"
#include "tests/support/files.h"
#include "tests/support/scratch_folder.h"
#include "tests/sound/mod_writer.h"
#include "tests/sound/s3m_writer.h"
#include "tests/sound/test_modules.h"

namespace {

namespace fs = std::filesystem;

bool loads(std::span<const uint8_t> bytes)
{
    std::unique_ptr<corvid::Module> module;
    const bool loaded = corvid::loadModule(bytes, false, nullptr, nullptr, module) == corvid::ErrorCode::ok;
    EXPECT_EQ(module != nullptr, loaded);
    corvid::freeModule(module, nullptr);
    return loaded;
}

// Through the format detection, so each piece reaches whichever loader its
// header names (or none).
void expectEveryCutFails(const std::string& name, const std::vector<uint8_t>& bytes, size_t dense, size_t spread)
{
    testsupport::expectEveryCutFails(name, bytes, testsupport::cutLengths(bytes.size(), dense, spread), loads);
}

TEST(TruncationSweep, EveryCutOfATestModuleFailsToLoad)
{
    for (const corvid::testing::NamedModule& module : corvid::testing::testModules())
        expectEveryCutFails(module.name, module.bytes, 1024, 100);
    // The sample is played, so that its data are read: the loaders leave
    // the data of an instrument no pattern names unread.
    corvid::testing::ModSong mod = corvid::testing::modWithOneSample();
    mod.cell(0, 0, 0) = {428, 1};
    expectEveryCutFails("one sample.mod", corvid::testing::writeMod(mod), 1200, 100);
    expectEveryCutFails("one sample.s3m",
                        corvid::testing::writeS3m(corvid::testing::s3mWithOneSample({{0, {0, {0x40, 1}}}})), 1024, 100);
}

TEST(TruncationSweep, EveryCutOfTheComposedSongFailsToLoad)
{
    const std::vector<uint8_t> song = testsupport::readBytes("qorv.xm");
    ASSERT_FALSE(song.empty()) << "qorv.xm missing from " << fs::current_path();
    expectEveryCutFails("qorv.xm", song, 512, 100);
}

// The real modules, when the corpus has been fetched into <build>/corpus.
TEST(TruncationSweep, EveryCutOfARealModuleFailsToLoad)
{
    const char* configured = std::getenv("SOLVANE_CORPUS_DIR");
    const fs::path corpus = configured ? fs::path(configured) : fs::current_path().parent_path() / "corpus";
    if (!fs::is_directory(corpus))
        GTEST_SKIP() << "no corpus in " << corpus;
    size_t tried = 0;
    for (const auto& file : fs::recursive_directory_iterator(corpus)) {
        // Every file the loaders take whole (XM, MOD, S3M, IT; the name is no
        // guide: one .mod file is an XM).
        const std::vector<uint8_t> bytes = file.is_regular_file() ? testsupport::readBytes(file.path()) : std::vector<uint8_t>{};
        if (!loads(bytes))
            continue;
        expectEveryCutFails(file.path().filename().string(), bytes, 200, 16);
        ++tried;
    }
    EXPECT_GT(tried, 0u);
}

// A cut library either fails to open or fails on some picture or mesh the
// show reads: never a crash, never every asset read as if nothing were lost.
TEST(TruncationSweep, EveryCutOfTheDataLibraryFailsSomewhere)
{
    const std::vector<uint8_t> library = testsupport::readBytes("qorv.dat");
    ASSERT_FALSE(library.empty()) << "qorv.dat missing from " << fs::current_path();
    const testsupport::ScratchFolder folder;
    for (const size_t length : testsupport::cutLengths(library.size(), 128, 60)) {
        const auto* first = reinterpret_cast<const std::byte*>(library.data());
        const std::string path = folder.write("cut.dat", std::vector<std::byte>(first, first + length));
        auto opened = data::DataLibrary::open(path, data::Access::readOnly);
        if (!opened)
            continue;
        EXPECT_FALSE(fuzzing::checkShowAssets(*opened))
            << "qorv.dat cut to " << length << " of " << library.size() << " bytes";
    }
}

}  // namespace
