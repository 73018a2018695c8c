#include "sound/core/library.h"
#include "sound/include/corvid.h"
#include "sound/setup/saved_settings.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

using corvid::Option;
using corvid::OptionValues;
using testsupport::ScratchFolder;

OptionValues chosenSettings()
{
    OptionValues options;
    options.set(static_cast<int32_t>(Option::mixingRate), 30000);
    options.set(static_cast<int32_t>(Option::outputMode), 9 | MUSIC_OUTPUT_SINC_MIXING);
    options.set(static_cast<int32_t>(Option::mixingMode), 1);
    options.set(static_cast<int32_t>(Option::bufferLength), 0x01020304);
    options.set(static_cast<int32_t>(Option::directSoundBufferLength), 250);
    return options;
}

void expectChosen(const OptionValues& options)
{
    EXPECT_EQ(options.get(Option::mixingRate), 30000);
    EXPECT_EQ(options.get(Option::outputMode), 9 | MUSIC_OUTPUT_SINC_MIXING);
    EXPECT_EQ(options.get(Option::mixingMode), 1);
    EXPECT_EQ(options.get(Option::bufferLength), 0x01020304);
    EXPECT_EQ(options.get(Option::directSoundBufferLength), 250);
}

TEST(SettingsFile, TwentyLittleEndianBytesThatLoadBack)
{
    ScratchFolder folder;
    ASSERT_TRUE(corvid::saveSettingsToFile(chosenSettings(), folder.path("sound.cfg")));
    const auto bytes = folder.read("sound.cfg");
    ASSERT_EQ(bytes.size(), 20u);
    EXPECT_EQ(bytes[0], std::byte{0x30});  // 30000 = 0x7530
    EXPECT_EQ(bytes[1], std::byte{0x75});
    EXPECT_EQ(bytes[12], std::byte{0x04});  // the buffer length, fourth
    EXPECT_EQ(bytes[15], std::byte{0x01});
    OptionValues loaded;
    ASSERT_TRUE(corvid::loadSettingsFromFile(loaded, folder.path("sound.cfg")));
    expectChosen(loaded);
}

TEST(SettingsFile, FailuresKeepTheValuesReadBeforeThem)
{
    ScratchFolder folder;
    OptionValues options;
    EXPECT_FALSE(corvid::loadSettingsFromFile(options, folder.path("missing")));
    EXPECT_FALSE(corvid::saveSettingsToFile(options, folder.path("no/such/folder/file")));

    // Nine bytes: the rate, then a cut output mode.
    const std::vector<unsigned char> cut{0x11, 0x2B, 0, 0, 9, 0, 0, 0, 1};
    EXPECT_FALSE(corvid::loadSettingsFromBytes(options, std::span(cut.data(), 5)));
    EXPECT_EQ(options.get(Option::mixingRate), 11025);
    EXPECT_EQ(options.get(Option::outputMode), OptionValues{}.get(Option::outputMode));

    // A negative rate is refused before anything is stored.
    OptionValues fresh;
    const std::vector<unsigned char> negative(20, 0xFF);
    EXPECT_FALSE(corvid::loadSettingsFromBytes(fresh, negative));
    EXPECT_EQ(fresh.get(Option::mixingRate), 44100);
}

TEST(SettingsFile, AnyBytesLoadOrFailCleanly)
{
    // Every length up to past the end, with patterns that hit each check.
    for (unsigned seed = 0; seed < 64; ++seed) {
        for (std::size_t length = 0; length <= 24; ++length) {
            std::vector<unsigned char> bytes(length);
            for (std::size_t i = 0; i < length; ++i)
                bytes[i] = static_cast<unsigned char>((i * 37 + seed * 101) >> (seed % 3));
            OptionValues options;
            const bool loaded = corvid::loadSettingsFromBytes(options, bytes);
            if (loaded) {
                EXPECT_GE(length, 20u);
                EXPECT_GT(options.get(Option::mixingRate), 0);
                EXPECT_GT(options.get(Option::bufferLength), 0);
            }
        }
    }
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", folder.path("config").c_str(), 1); }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
    ScratchFolder folder;
};

TEST_F(SettingsStoreTest, NamedValuesUnderTheSubkeyLoadBack)
{
    ASSERT_TRUE(corvid::saveSettingsToStore(chosenSettings(), platform::SettingsRoot::currentUser, "Software\\Orvane\\Solvane"));
    const auto stored = platform::readSettings(platform::SettingsRoot::currentUser, "Software\\Orvane\\Solvane");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->at("MixingRate").number, 30000u);
    EXPECT_EQ(stored->at("DSoundBufferLength").number, 250u);
    OptionValues loaded;
    ASSERT_TRUE(corvid::loadSettingsFromStore(loaded, platform::SettingsRoot::currentUser, "Software\\Orvane\\Solvane"));
    expectChosen(loaded);
    EXPECT_FALSE(corvid::loadSettingsFromStore(loaded, platform::SettingsRoot::localMachine, "Software\\Orvane\\Solvane"));
}

TEST_F(SettingsStoreTest, AValueOfAnotherTypeEndsTheLoadKeepingTheOnesBefore)
{
    const auto file = platform::settingsFile(platform::SettingsRoot::currentUser, "Key");
    ASSERT_TRUE(file);
    std::filesystem::create_directories(file->parent_path());
    std::ofstream(*file) << "MixingRate=dword:00005622\nOutputMode=dword:00000009\nInterpolation=\"yes\"\n"
                            "BufferLength=dword:000001f4\nDSoundBufferLength=dword:00000064\n";
    OptionValues options;
    EXPECT_FALSE(corvid::loadSettingsFromStore(options, platform::SettingsRoot::currentUser, "Key"));
    EXPECT_EQ(options.get(Option::mixingRate), 22050);
    EXPECT_EQ(options.get(Option::outputMode), 9);
}

TEST_F(SettingsStoreTest, ThePublicCallsReportThroughTheErrorFlag)
{
    corvid::resetLibraryCore();
    const std::string file = folder.path("sound.cfg");
    EXPECT_EQ(saveSoundSettingsToFile(file.c_str()), 1);
    EXPECT_EQ(soundSetupFailed(), 0);
    EXPECT_EQ(loadSoundSettingsFromFile(folder.path("missing").c_str()), 0);
    EXPECT_EQ(soundSetupFailed(), 1);
    EXPECT_EQ(loadSoundSettingsFromFile(file.c_str()), 1);
    EXPECT_EQ(soundSetupFailed(), 0);
    EXPECT_EQ(saveSoundSettingsToRegistry(SOUND_SETTINGS_CURRENT_USER, "Software\\Solvane"), 1);
    EXPECT_EQ(loadSoundSettingsFromRegistry(SOUND_SETTINGS_CURRENT_USER, "Software\\Solvane"), 1);
    EXPECT_EQ(loadSoundSettingsFromRegistry(SOUND_SETTINGS_CURRENT_USER, "..\\..\\outside"), 0);
    EXPECT_EQ(soundSetupFailed(), 1);
    EXPECT_EQ(saveSoundSettingsToRegistry(7, "Software\\Solvane"), 0);
    EXPECT_EQ(saveSoundSettingsToFile(nullptr), 0);
}

TEST(SoundSetupDialog, WithoutADisplayItReportsTheErrorFlag)
{
    // This program never opens a display of its own, so without DISPLAY the
    // dialog cannot be created.
    unsetenv("DISPLAY");
    EXPECT_EQ(showSoundSetup(), 0);
    EXPECT_EQ(soundSetupFailed(), 1);
}

}  // namespace
