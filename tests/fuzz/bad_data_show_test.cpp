// The show started on bad data files: it must stop with its message and exit
// code 1 before the display opens (and, for a bad qorv.xm, before it opens
// the data library). Each case runs a copy of the built program
// in a prepared folder (a copy, so that it cannot find the good qorv.dat next
// to itself), capturing off-screen.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/data_library.h"
#include "tests/support/files.h"
#include "tests/support/scratch_folder.h"
#include "data/mesh.h"


namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error
};

// The program and its music in a scratch folder, beside a data library of the test's own.
class ShowFolder {
public:
    ShowFolder()
    {
        fs::copy_file("solvane", root_ / "solvane");
        fs::copy_file("qorv.xm", root_ / "qorv.xm");
    }

    fs::path path(const std::string& name) const { return scratch_.path(name); }
    void write(const std::string& name, const std::vector<char>& bytes) const
    {
        std::ofstream(path(name), std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    }

    RunResult run() const
    {
        const std::string command = "cd '" + root_.string() + "' && ./solvane --capture frames 2>&1";
        RunResult result;
        std::FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr)
            return result;
        char buffer[4096];
        while (const size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
            result.output.append(buffer, got);
        const int status = pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }
    // The capture folder gets its first frame only once the display is open
    // (its sound file is opened earlier).
    bool displayOpened() const
    {
        if (!fs::is_directory(path("frames")))
            return false;
        for (const auto& file : fs::directory_iterator(path("frames")))
            if (file.path().extension() == ".png")
                return true;
        return false;
    }

private:
    testsupport::ScratchFolder scratch_;
    const fs::path& root_ = scratch_.root();
};

// `reason` is the data library's own line, printed before the message.
void expectLibraryFailure(const ShowFolder& folder, const std::string& what, const std::string& reason = "")
{
    const RunResult result = folder.run();
    EXPECT_EQ(result.exitCode, 1) << what << "\n" << result.output;
    EXPECT_NE(result.output.find("Error loading filelib!"), std::string::npos) << what << "\n" << result.output;
    EXPECT_NE(result.output.find(reason), std::string::npos) << what << "\n" << result.output;
    EXPECT_FALSE(folder.displayOpened()) << what;
}

// Copies the good qorv.dat into the folder entry by entry, leaving out
// `dropped` and giving `replaced` the bytes `replacement`.
void copyLibrary(const ShowFolder& folder, std::string_view dropped, std::string_view replaced = {},
                 const std::vector<std::byte>& replacement = {})
{
    auto good = data::DataLibrary::open("qorv.dat", data::Access::readOnly);
    auto copy = data::DataLibrary::createLibrary(folder.path("qorv.dat").string(), 0);
    ASSERT_TRUE(good && copy);
    const auto entries = good->entries();
    ASSERT_TRUE(entries);
    for (const data::LibraryEntry& entry : *entries) {
        const std::string_view name = entry.nameView();
        if (name == dropped)
            continue;
        const auto bytes = good->readEntry(name);
        ASSERT_TRUE(bytes);
        ASSERT_TRUE(copy->addEntry(name, name == replaced ? replacement : *bytes));
    }
}

void expectModuleFailure(const ShowFolder& folder, const std::string& what)
{
    const RunResult result = folder.run();
    EXPECT_EQ(result.exitCode, 1) << what << "\n" << result.output;
    EXPECT_NE(result.output.find("Error loading module!"), std::string::npos) << what << "\n" << result.output;
    EXPECT_EQ(result.output.find("Opening file library"), std::string::npos) << what << "\n" << result.output;
    EXPECT_FALSE(folder.displayOpened()) << what;
}

TEST(BadDataShow, AMissingEmptyCutOrForeignSongStopsWithTheModuleMessage)
{
    const std::string song = testsupport::readText("qorv.xm");
    const std::vector<std::vector<char>> contents = {
        {}, std::vector<char>(song.begin(), song.begin() + song.size() / 2), std::vector<char>(4096, 'x')};
    const char* const names[] = {"empty qorv.xm", "qorv.xm cut in half", "qorv.xm that is not a module"};
    {
        const ShowFolder folder;
        fs::remove(folder.path("qorv.xm"));
        expectModuleFailure(folder, "no qorv.xm");
    }
    for (size_t i = 0; i < contents.size(); ++i) {
        const ShowFolder folder;
        folder.write("qorv.xm", contents[i]);
        expectModuleFailure(folder, names[i]);
    }
}

TEST(BadDataShow, AMissingEmptyOrForeignLibraryStopsWithTheFilelibMessage)
{
    {
        const ShowFolder folder;
        expectLibraryFailure(folder, "no qorv.dat");
    }
    {
        const ShowFolder folder;
        folder.write("qorv.dat", {});
        expectLibraryFailure(folder, "empty qorv.dat");
    }
    {
        const ShowFolder folder;
        folder.write("qorv.dat", std::vector<char>(4096, 'x'));
        expectLibraryFailure(folder, "qorv.dat that is not a library");
    }
    {
        const ShowFolder folder;
        const std::string library = testsupport::readText("qorv.dat");
        folder.write("qorv.dat", std::vector<char>(library.begin(), library.begin() + 6));
        expectLibraryFailure(folder, "qorv.dat cut inside its header");
    }
}

TEST(BadDataShow, ALibraryCutShortOrMissingAnEntryStopsBeforeTheDisplayOpens)
{
    {
        const ShowFolder folder;
        const std::string library = testsupport::readText("qorv.dat");
        folder.write("qorv.dat", std::vector<char>(library.begin(), library.begin() + library.size() * 2 / 3));
        expectLibraryFailure(folder, "qorv.dat cut to two thirds", "but only");
    }
    {
        const ShowFolder folder;
        copyLibrary(folder, "pan2.raw");
        expectLibraryFailure(folder, "qorv.dat without pan2.raw", "no entry named \"pan2.raw\"");
    }
}

TEST(BadDataShow, AMeshWhoseFaceLeavesItsVerticesStopsBeforeTheDisplayOpens)
{
    data::Mesh mesh;
    mesh.vertices.resize(3, data::MeshVertex{});
    mesh.faces.push_back({0, 1, 7, 0, 0, 0});
    const ShowFolder folder;
    copyLibrary(folder, {}, "astro.obj", data::encodeMesh(mesh));
    expectLibraryFailure(folder, "astro.obj with a face on vertex 7 of 3", "face 0 uses vertex 7 of 3");
}

}  // namespace
