// The datalib command line, run as a program from the build's bin/ folder.

#include "tests/data/pattern_bytes.h"
#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using testsupport::ScratchFolder;

// Runs datalib with `arguments` inside `folder`, standard error with the output.
testsupport::ProgramRun datalib(const ScratchFolder& folder, const std::string& arguments)
{
    const std::string program = (std::filesystem::current_path() / "datalib").string();
    return testsupport::runCommand("cd '" + folder.path("") + "' && '" + program + "' " + arguments + " 2>&1");
}

TEST(Datalib, CreatesAddsListsAndExtracts)
{
    ScratchFolder folder;
    folder.write("hello.txt", data::testing::patternBytes(1500));
    folder.write("a-rather-long-name.bin", data::testing::patternBytes(3));
    EXPECT_EQ(datalib(folder, "create lib.dat").exitCode, 0);
    EXPECT_EQ(datalib(folder, "add lib.dat hello.txt a-rather-long-name.bin").exitCode, 0);

    const testsupport::ProgramRun list = datalib(folder, "list lib.dat");
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
    const testsupport::ProgramRun missing = datalib(folder, "extract lib.dat nothing.raw");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("no entry named \"nothing.raw\""), std::string::npos) << missing.output;
    EXPECT_EQ(datalib(folder, "add lib.dat absent.txt").exitCode, 1);
    EXPECT_EQ(datalib(folder, "list absent.dat").exitCode, 1);
    folder.write("junk.dat", data::testing::patternBytes(40));
    const testsupport::ProgramRun junk = datalib(folder, "list junk.dat");
    EXPECT_EQ(junk.exitCode, 1);
    EXPECT_NE(junk.output.find("bad magic"), std::string::npos) << junk.output;
    EXPECT_EQ(datalib(folder, "list").exitCode, 2);
    EXPECT_EQ(datalib(folder, "shuffle lib.dat").exitCode, 2);
}

}  // namespace
