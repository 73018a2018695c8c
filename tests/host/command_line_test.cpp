#include "host/command_line.h"

#include <gtest/gtest.h>

namespace {

host::ParsedCommandLine parse(std::vector<std::string> args) { return host::parseCommandLine(args); }

TEST(CommandLine, ModeNamesSelectModeAndInterlace)
{
    auto p = parse({"--mode", "640x480x16 interlaced", "--windowed"});
    ASSERT_TRUE(p.error.empty());
    EXPECT_EQ(p.options.screenMode, 14);
    EXPECT_TRUE(p.options.interlaced);
    EXPECT_TRUE(p.options.windowed);

    p = parse({"--mode=320x200x24", "--capture=out/", "--silent"});
    ASSERT_TRUE(p.error.empty());
    EXPECT_EQ(p.options.screenMode, 3);
    EXPECT_FALSE(p.options.interlaced);
    EXPECT_EQ(p.options.capturePath, "out/");
    EXPECT_TRUE(p.options.silent);
    EXPECT_EQ(p.options.captureScale, 0) << "the kind of capture decides";
    EXPECT_FALSE(p.options.keepSound);

    p = parse({"--capture", "show.mp4", "--capture-scale", "2", "--keep-sound"});
    ASSERT_TRUE(p.error.empty());
    EXPECT_EQ(p.options.captureScale, 2);
    EXPECT_TRUE(p.options.keepSound);
}

TEST(CommandLine, MistakesAreExplained)
{
    EXPECT_TRUE(parse({}).error.empty());
    EXPECT_NE(parse({"--mode", "800x600x32"}).error.find("unknown screen mode"), std::string::npos);
    EXPECT_NE(parse({"--mode"}).error.find("needs a value"), std::string::npos);
    EXPECT_NE(parse({"--capture="}).error.find("--capture"), std::string::npos);
    for (const char* scale : {"0", "9", "12", "x", ""})
        EXPECT_NE(parse({std::string("--capture-scale=") + scale}).error.find("1 to 8"), std::string::npos) << scale;
    EXPECT_NE(parse({"--fast"}).error.find("unknown option '--fast'"), std::string::npos);
    EXPECT_NE(host::usageText("solvane").find("--capture PATH"), std::string::npos);
}

}  // namespace
