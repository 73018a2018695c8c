#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::SettingsRoot;

TEST(SettingsStore, TextFormatRoundTripsNumbersAndOtherValues)
{
    platform::StoredValues values;
    values["MixingRate"] = {true, 44100, {}};
    values["Negative"] = {true, 0xFFFFFFF6u, {}};
    values["Name"] = {false, 0, "\"Solvane\""};
    const std::string text = platform::formatSettings(values);
    EXPECT_NE(text.find("MixingRate=dword:0000ac44\n"), std::string::npos);
    const auto parsed = platform::parseSettings(text);
    ASSERT_EQ(parsed.size(), 3u);
    EXPECT_EQ(parsed.at("Negative").number, 0xFFFFFFF6u);
    EXPECT_FALSE(parsed.at("Name").isNumber);
    EXPECT_EQ(parsed.at("Name").text, "\"Solvane\"");
}

TEST(SettingsStore, MalformedLinesAreSkippedAndBadNumbersAreNotNumbers)
{
    const auto parsed = platform::parseSettings(
        "no equals sign\n=dword:1\r\nA=dword:\nB=dword:123456789\nC=dword:12g4\nD=dword:FFFFffff\r\nF=dword:7");
    EXPECT_EQ(parsed.count(""), 0u);
    EXPECT_FALSE(parsed.at("A").isNumber);
    EXPECT_FALSE(parsed.at("B").isNumber);  // more than 32 bits
    EXPECT_FALSE(parsed.at("C").isNumber);
    EXPECT_EQ(parsed.at("D").number, 0xFFFFFFFFu);
    EXPECT_EQ(parsed.at("F").number, 7u);

    // Every byte value in every position reads without harm.
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>((i * 193 + i / 7) & 0xFF);
    platform::parseSettings(bytes);
}

TEST(SettingsStore, SubkeysNeverLeaveTheStoresFolder)
{
    setenv("XDG_CONFIG_HOME", "/tmp/solvane-config", 1);
    const auto file = platform::settingsFile(SettingsRoot::currentUser, "Software\\Orvane/Solvane");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->string(), "/tmp/solvane-config/solvane/settings/HKEY_CURRENT_USER/Software/Orvane/Solvane/values");
    for (const char* bad : {"", "\\", "a\\\\b", "..", "a\\..\\..\\b", "a/./b", "trailing\\"})
        EXPECT_FALSE(platform::settingsFile(SettingsRoot::localMachine, bad)) << bad;
    EXPECT_FALSE(platform::settingsFile(SettingsRoot::currentUser, std::string_view("a\0b", 3)));
    EXPECT_FALSE(platform::writeSettings(SettingsRoot::currentUser, "..", {{"A", 1}}));
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
