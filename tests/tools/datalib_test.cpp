// The datalib command line, run as a program from the build's bin/ folder.

#include "tests/data/pattern_bytes.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using testsupport::ScratchFolder;

struct ProgramRun {
    int exitCode;
    std::string output;  // standard output and standard error together
};

// Runs datalib with `arguments` inside `folder`.
ProgramRun datalib(const ScratchFolder& folder, const std::string& arguments)
{
    const std::string program = (std::filesystem::current_path() / "datalib").string();
    const std::string command = "cd '" + folder.path("") + "' && '" + program + "' " + arguments + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    std::array<char, 256> chunk{};
    while (std::fgets(chunk.data(), int(chunk.size()), pipe)) output += chunk.data();
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(Datalib, CreatesAddsListsAndExtracts)
{
    ScratchFolder folder;
    folder.write("hello.txt", data::testing::patternBytes(1500));
    folder.write("a-rather-long-name.bin", data::testing::patternBytes(3));
    EXPECT_EQ(datalib(folder, "create lib.dat").exitCode, 0);
    EXPECT_EQ(datalib(folder, "add lib.dat hello.txt a-rather-long-name.bin").exitCode, 0);

    const ProgramRun list = datalib(folder, "list lib.dat");
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_NE(list.output.find("hello.txt          1500         31"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("a-rather-lon          3       1552"), std::string::npos) << list.output;

    std::filesystem::rename(folder.path("hello.txt"), folder.path("original.txt"));
    EXPECT_EQ(datalib(folder, "extract lib.dat hello.txt").exitCode, 0);
    EXPECT_EQ(folder.read("hello.txt"), folder.read("original.txt"));
}

TEST(Datalib, FailuresGoToStandardErrorWithAnExitCode)
{
    ScratchFolder folder;
    EXPECT_EQ(datalib(folder, "create lib.dat").exitCode, 0);
    const ProgramRun missing = datalib(folder, "extract lib.dat nothing.raw");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("no entry named \"nothing.raw\""), std::string::npos) << missing.output;
    EXPECT_EQ(datalib(folder, "add lib.dat absent.txt").exitCode, 1);
    EXPECT_EQ(datalib(folder, "list absent.dat").exitCode, 1);
    folder.write("junk.dat", data::testing::patternBytes(40));
    const ProgramRun junk = datalib(folder, "list junk.dat");
    EXPECT_EQ(junk.exitCode, 1);
    EXPECT_NE(junk.output.find("bad magic"), std::string::npos) << junk.output;
    EXPECT_EQ(datalib(folder, "list").exitCode, 2);
    EXPECT_EQ(datalib(folder, "shuffle lib.dat").exitCode, 2);
}

}  // namespace
