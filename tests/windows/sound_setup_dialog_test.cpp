// The sound setup dialog as Win32 controls under Wine: showSoundSetup opens
// it, a second thread sends it the messages a viewer's clicks and typing
// would, and what OK stores reaches the options and, saved, the registry.

#include "platform/sound_setup_dialog.h"
#include "sound/core/library.h"
#include "sound/include/corvid.h"
#include "sound/setup/sound_setup.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <random>
#include <string>
#include <thread>

namespace {

constexpr int stereoId = 1008;
constexpr int bufferLengthId = 1015;
constexpr int monoBit = 1;  // of the output mode

// The dialog with the library's title, once another thread has opened it.
HWND waitForDialog()
{
    for (int tries = 0; tries < 1000; ++tries) {
        if (const HWND dialog = FindWindowA(nullptr, corvid::soundSetupTitle))
            return dialog;
        Sleep(10);
    }
    return nullptr;
}

void click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Runs showSoundSetup while `viewer` works the dialog from another thread.
int runDialog(const std::function<void(HWND)>& viewer)
{
    bool opened = false;
    std::thread driver([&] {
        const HWND dialog = waitForDialog();
        opened = dialog != nullptr;
        if (opened)
            viewer(dialog);
    });
    const int result = showSoundSetup();
    driver.join();
    EXPECT_TRUE(opened) << "the dialog never opened";
    return result;
}

class SoundSetupDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        corvid::resetLibraryCore();
        MusicSetOption(MUSIC_OPTION_MIXING_RATE, 44100);
        MusicSetOption(MUSIC_OPTION_MIXING_MODE, 1);  // "Very High"
        MusicSetOption(MUSIC_OPTION_BUFFER_LENGTH, 500);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()); }

    DWORD savedValue(const char* name)
    {
        DWORD value = 0, bytes = sizeof value;
        EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &bytes),
                  ERROR_SUCCESS)
            << name;
        return value;
    }

    const std::string key = "Software\\SolvaneTests\\SoundSetup" + std::to_string(std::random_device{}());
};

TEST_F(SoundSetupDialogTest, OkStoresTheChoiceAndTheRegistryKeepsItSaved)
{
    const int result = runDialog([](HWND dialog) {
        click(dialog, 1002);  // "Low": 32000 Hz, normal mixing
        SetDlgItemTextA(dialog, bufferLengthId, "300");
        if (IsDlgButtonChecked(dialog, stereoId) == BST_CHECKED)
            click(dialog, stereoId);  // mono
        click(dialog, IDOK);
    });
    ASSERT_EQ(result, 1);
    EXPECT_EQ(MusicGetOption(MUSIC_OPTION_MIXING_RATE), 32000);
    EXPECT_EQ(MusicGetOption(MUSIC_OPTION_MIXING_MODE), 0);
    EXPECT_EQ(MusicGetOption(MUSIC_OPTION_BUFFER_LENGTH), 300);
    const int outputMode = MusicGetOption(MUSIC_OPTION_OUTPUT_MODE);
    EXPECT_EQ(outputMode & monoBit, monoBit);

    ASSERT_EQ(saveSoundSettingsToRegistry(SOUND_SETTINGS_CURRENT_USER, key.c_str()), 1);
    EXPECT_EQ(savedValue("MixingRate"), 32000u);
    EXPECT_EQ(savedValue("BufferLength"), 300u);
    EXPECT_EQ(savedValue("OutputMode"), static_cast<DWORD>(outputMode));
}

TEST_F(SoundSetupDialogTest, CancelStoresNothing)
{
    const int result = runDialog([](HWND dialog) {
        click(dialog, 1001);  // "Very Low"
        SetDlgItemTextA(dialog, bufferLengthId, "200");
        click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(soundSetupFailed(), 0);
    EXPECT_EQ(MusicGetOption(MUSIC_OPTION_MIXING_RATE), 44100);
    EXPECT_EQ(MusicGetOption(MUSIC_OPTION_MIXING_MODE), 1);
    EXPECT_EQ(MusicGetOption(MUSIC_OPTION_BUFFER_LENGTH), 500);
}

}  // namespace
