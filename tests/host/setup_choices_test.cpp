#include "host/setup_choices.h"

#include "display/screen_modes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Entries = std::vector<std::string>;

host::ModeList listOf(const std::vector<platform::VideoModeDesc>& modes)
{
    host::ModeList list;
    for (const auto& mode : modes)
        host::fillModeList(list, mode);
    return list;
}

host::DemoConfig configWith(int screenMode, int interlaced = 0)
{
    host::DemoConfig config;
    config.screenMode = static_cast<std::uint8_t>(screenMode);
    config.interlaced = interlaced;
    return config;
}

std::string selectedName(const host::ModeList& list, const host::DemoConfig& config)
{
    const auto selected = host::preselectedEntry(list, config);
    return selected ? list.entries()[*selected] : std::string("(none)");
}

TEST(FillModeList, OffersTheUsableModesWithInterlacedVariantsInSortedOrder)
{
    const auto list = listOf({{640, 480, 32}, {800, 600, 32}, {320, 200, 8}, {640, 480, 16}, {320, 240, 24},
                              {512, 384, 16}, {320, 240, 15}, {512, 400, 16}, {1024, 768, 32}});
    EXPECT_EQ(list.entries(), (Entries{"320x240x24", "512x384x16", "640x480x16", "640x480x16 interlaced", "640x480x32",
                                       "640x480x32 interlaced"}));
}

TEST(FillModeList, EveryModeOfTheShowOnceWhateverTheDriversOrder)
{
    std::vector<platform::VideoModeDesc> modes;
    for (int index = 2; index <= 16; ++index) {
        int width = 0, height = 0, bits = 0;
        display::decodeScreenMode(index, width, height, bits);
        modes.push_back({width, height, bits});
    }
    const auto forward = listOf(modes);
    std::reverse(modes.begin(), modes.end());
    EXPECT_EQ(listOf(modes).entries(), forward.entries());
    auto expected = display::allScreenModeNames();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(forward.entries(), expected);
}

TEST(ModeList, SelectByTextLooksFromTheNextEntryRoundToTheStartIgnoringCase)
{
    host::ModeList list;
    for (const char* entry : {"640x400x16", "320x200x16", "640X400X16 interlaced", "512x384x24"})
        list.addSorted(entry);
    ASSERT_EQ(list.entries(), (Entries{"320x200x16", "512x384x24", "640x400x16", "640X400X16 interlaced"}));
    EXPECT_EQ(list.findByPrefix(0, "640x400x16"), 2u);
    EXPECT_EQ(list.findByPrefix(2, "640x400x16"), 3u);   // the next match, upper case or not
    EXPECT_EQ(list.findByPrefix(3, "640x400x16"), 2u);   // wraps round
    EXPECT_EQ(list.findByPrefix(0, "320X200"), 0u);      // the start entry itself comes last
    EXPECT_EQ(list.findByPrefix(0, "800x600"), std::nullopt);
    EXPECT_EQ(host::ModeList{}.findByPrefix(0, "320"), std::nullopt);
}

TEST(Preselection, TheDefaultModeFallsBackTo24BitsThenToTheFirstEntry)
{
    const auto all = listOf({{320, 200, 16}, {320, 240, 16}, {320, 240, 24}, {320, 240, 32}, {640, 480, 32}});
    EXPECT_EQ(selectedName(all, configWith(7)), "320x240x32");
    const auto no32 = listOf({{320, 200, 16}, {320, 240, 16}, {320, 240, 24}, {640, 480, 32}});
    EXPECT_EQ(selectedName(no32, configWith(7)), "320x240x24");
    const auto neither = listOf({{320, 200, 16}, {640, 480, 32}, {320, 240, 16}});
    EXPECT_EQ(selectedName(neither, configWith(7)), "320x200x16");
    EXPECT_EQ(selectedName(host::ModeList{}, configWith(7)), "(none)");
}

TEST(Preselection, InterlacedOnlyWhenTheConfigSaysSo)
{
    const auto list = listOf({{320, 200, 16}, {640, 400, 24}, {640, 480, 32}});
    EXPECT_EQ(selectedName(list, configWith(12, 1)), "640x400x24 interlaced");
    EXPECT_EQ(selectedName(list, configWith(12, 0)), "640x400x24");
    EXPECT_EQ(selectedName(list, configWith(16, 1)), "640x480x32 interlaced");
    EXPECT_EQ(selectedName(list, configWith(17, 0)), "320x200x16") << "an unknown mode: the first entry";
}

TEST(ChosenMode, TheEntrysTextSetsModeAndInterlaceOnlyForAKnownName)
{
    const std::pair<const char*, std::pair<int, int>> cases[] = {
        {"640x400x24 interlaced", {12, 1}}, {"640x400x24", {12, 0}}, {"", {7, 0}}, {"800x600x32", {7, 0}},
        {"320x240x32 interlaced", {7, 0}}, {"640x400x24 interlaced ", {7, 0}}};
    for (const auto& [text, expected] : cases) {
        auto config = configWith(7);
        host::applyChosenMode(text, config);
        EXPECT_EQ(std::pair(int{config.screenMode}, int{config.interlaced}), expected) << '"' << text << '"';
    }
}

TEST(Banner, FrameworkAndSoundLibraryThenAnEmptyLine)
{
    const auto lines = host::bannerLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("ZEV DemoSystem v1.0 (W32)", 0), 0u);
    EXPECT_NE(lines[1].find("CORVID"), std::string::npos);
    EXPECT_NE(lines[1].find("1.1.2"), std::string::npos);
    EXPECT_EQ(lines[2], "");
}

}  // namespace
