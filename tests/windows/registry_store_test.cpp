// The settings store in the registry, and the sound library's saved settings
// through it, in a scratch key of the current user removed afterwards.

#include "platform/settings_store.h"
#include "sound/core/library.h"
#include "sound/include/corvid.h"
#include "sound/setup/saved_settings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>

namespace {

using platform::SettingsRoot;

class RegistryStoreTest : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()); }

    void setRawValue(const char* name, DWORD type, const void* data, DWORD bytes)
    {
        HKEY handle = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), bytes);
        RegCloseKey(handle);
    }

    const std::string key = "Software\\SolvaneTests\\Settings" + std::to_string(std::random_device{}());
};

TEST_F(RegistryStoreTest, NumbersWrittenReadBackAsDwordValuesBesideOthers)
{
    EXPECT_FALSE(platform::readSettings(SettingsRoot::currentUser, key));  // no such key yet
    ASSERT_TRUE(platform::writeSettings(SettingsRoot::currentUser, key, {{"MixingRate", 44100}, {"Big", 0xFFFFFFFFu}}));
    setRawValue("Name", REG_SZ, "text", 5);
    ASSERT_TRUE(platform::writeSettings(SettingsRoot::currentUser, key, {{"MixingRate", 22050}}));

    const auto values = platform::readSettings(SettingsRoot::currentUser, key);
    ASSERT_TRUE(values);
    EXPECT_EQ(values->size(), 3u);
    EXPECT_TRUE(values->at("MixingRate").isNumber);
    EXPECT_EQ(values->at("MixingRate").number, 22050u);
    EXPECT_EQ(values->at("Big").number, 0xFFFFFFFFu);
    EXPECT_FALSE(values->at("Name").isNumber);
}

TEST_F(RegistryStoreTest, SubkeysTheRegistryCannotNameAreRefused)
{
    EXPECT_FALSE(platform::writeSettings(SettingsRoot::currentUser, "", {{"A", 1}}));
    EXPECT_FALSE(platform::writeSettings(SettingsRoot::currentUser, std::string_view("a\0b", 3), {{"A", 1}}));
    EXPECT_FALSE(platform::readSettings(SettingsRoot::currentUser, std::string_view("a\0b", 3)));
}

TEST_F(RegistryStoreTest, SavedSoundSettingsLoadBackThroughThePublicCalls)
{
    corvid::resetLibraryCore();
    MusicSetOption(MUSIC_OPTION_MIXING_RATE, 30000);
    MusicSetOption(MUSIC_OPTION_BUFFER_LENGTH, 250);
    ASSERT_EQ(saveSoundSettingsToRegistry(SOUND_SETTINGS_CURRENT_USER, key.c_str()), 1);
    EXPECT_EQ(soundSetupFailed(), 0);

    corvid::resetLibraryCore();
    ASSERT_EQ(loadSoundSettingsFromRegistry(SOUND_SETTINGS_CURRENT_USER, key.c_str()), 1);
    EXPECT_EQ(MusicGetOption(MUSIC_OPTION_MIXING_RATE), 30000);
    EXPECT_EQ(MusicGetOption(MUSIC_OPTION_BUFFER_LENGTH), 250);

    EXPECT_EQ(saveSoundSettingsToRegistry(7, key.c_str()), 0);
    EXPECT_EQ(soundSetupFailed(), 1);
}

TEST_F(RegistryStoreTest, AValueOfAnotherTypeEndsTheLoadKeepingTheOnesBefore)
{
    ASSERT_TRUE(platform::writeSettings(SettingsRoot::currentUser, key,
                                        {{"MixingRate", 22050}, {"OutputMode", 9}, {"BufferLength", 500},
                                         {"DSoundBufferLength", 100}}));
    const char interpolation[] = "yes";
    setRawValue("Interpolation", REG_SZ, interpolation, sizeof interpolation);
    corvid::OptionValues options;
    EXPECT_FALSE(corvid::loadSettingsFromStore(options, SettingsRoot::currentUser, key));
    EXPECT_EQ(options.get(corvid::Option::mixingRate), 22050);
    EXPECT_EQ(options.get(corvid::Option::outputMode), 9);
}

}  // namespace
