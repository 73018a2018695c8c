#pragma once
// The five settings the setup dialog chooses, saved and loaded as a 20-byte
// file of little-endian 32-bit values or as named values in the settings
// store, and the state the setup calls share.

#include "platform/settings_store.h"
#include "sound/core/options.h"
#include "sound/setup/sound_setup.h"

#include <array>
#include <filesystem>
#include <span>
#include <string_view>

namespace corvid {

struct SavedSetting {
    Option option;
    const char* name;  // the value's name in the settings store
};

// In file order.
inline constexpr std::array<SavedSetting, 5> savedSettings{{
    {Option::mixingRate, "MixingRate"},
    {Option::outputMode, "OutputMode"},
    {Option::mixingMode, "Interpolation"},
    {Option::bufferLength, "BufferLength"},
    {Option::directSoundBufferLength, "DSoundBufferLength"},
}};
inline constexpr std::size_t savedSettingsFileSize = savedSettings.size() * 4;

// Whether a loaded value is one the options can take: a rate and buffer
// lengths above 0, an output mode made of its four bits.
bool acceptableSavedValue(Option option, int32_t value);

bool saveSettingsToFile(const OptionValues& options, const std::filesystem::path& file);
// Reads the values in order and stores each; the first one missing or not
// acceptable ends the load with false, keeping the values stored before it.
bool loadSettingsFromFile(OptionValues& options, const std::filesystem::path& file);
// The same, reading from bytes already in memory.
bool loadSettingsFromBytes(OptionValues& options, std::span<const unsigned char> bytes);

bool saveSettingsToStore(const OptionValues& options, platform::SettingsRoot root, std::string_view subkey);
// Each value must be a stored number; the first one missing, of another type
// or not acceptable ends the load with false, keeping the values before it.
bool loadSettingsFromStore(OptionValues& options, platform::SettingsRoot root, std::string_view subkey);

// What the setup calls share: the error flag the host can read, and the
// device choice the dialog's OK stores for the device open.
struct SoundSetupState {
    bool failed = false;
    DeviceChoice device;
};

SoundSetupState& soundSetupState();

}  // namespace corvid
