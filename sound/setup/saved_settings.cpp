#include "sound/setup/saved_settings.h"

#include "sound/core/library.h"
#include "sound/core/sound_device.h"
#include "sound/include/corvid.h"

#include <fstream>
#include <map>
#include <string>

namespace corvid {

namespace {

SoundSetupState setupState;

constexpr int32_t outputModeBits = outputMono | outputStereo | output8Bit | output16Bit | outputSincMixing;

std::optional<platform::SettingsRoot> settingsRoot(int rootKey)
{
    switch (rootKey) {
    case SOUND_SETTINGS_CURRENT_USER: return platform::SettingsRoot::currentUser;
    case SOUND_SETTINGS_LOCAL_MACHINE: return platform::SettingsRoot::localMachine;
    default: return std::nullopt;
    }
}

// Keeps the outcome of a setup call in the error flag and reports it.
int report(bool succeeded)
{
    setupState.failed = !succeeded;
    return succeeded ? 1 : 0;
}

}  // namespace

SoundSetupState& soundSetupState() { return setupState; }

bool acceptableSavedValue(Option option, int32_t value)
{
    switch (option) {
    case Option::mixingRate:
    case Option::bufferLength:
    case Option::directSoundBufferLength: return value > 0;
    case Option::outputMode: return (value & ~outputModeBits) == 0;
    default: return true;
    }
}

bool saveSettingsToFile(const OptionValues& options, const std::filesystem::path& file)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (const SavedSetting& setting : savedSettings) {
        const auto value = static_cast<uint32_t>(options.get(setting.option));
        const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                               static_cast<char>(value >> 24)};
        if (!out.write(bytes, sizeof bytes))
            return false;
    }
    return static_cast<bool>(out.flush());
}

bool loadSettingsFromBytes(OptionValues& options, std::span<const unsigned char> bytes)
{
    for (std::size_t i = 0; i < savedSettings.size(); ++i) {
        if (bytes.size() < (i + 1) * 4)
            return false;
        const unsigned char* b = bytes.data() + i * 4;
        const auto value = static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                                                uint32_t(b[3]) << 24);
        if (!acceptableSavedValue(savedSettings[i].option, value))
            return false;
        options.set(static_cast<int32_t>(savedSettings[i].option), value);
    }
    return true;
}

bool loadSettingsFromFile(OptionValues& options, const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::array<unsigned char, savedSettingsFileSize> bytes{};
    in.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    return loadSettingsFromBytes(options, std::span(bytes.data(), static_cast<std::size_t>(in.gcount())));
}

bool saveSettingsToStore(const OptionValues& options, platform::SettingsRoot root, std::string_view subkey)
{
    std::map<std::string, uint32_t> numbers;
    for (const SavedSetting& setting : savedSettings)
        numbers[setting.name] = static_cast<uint32_t>(options.get(setting.option));
    return platform::writeSettings(root, subkey, numbers);
}

bool loadSettingsFromStore(OptionValues& options, platform::SettingsRoot root, std::string_view subkey)
{
    const auto values = platform::readSettings(root, subkey);
    if (!values)
        return false;
    for (const SavedSetting& setting : savedSettings) {
        const auto found = values->find(setting.name);
        if (found == values->end() || !found->second.isNumber)
            return false;
        const auto value = static_cast<int32_t>(found->second.number);
        if (!acceptableSavedValue(setting.option, value))
            return false;
        options.set(static_cast<int32_t>(setting.option), value);
    }
    return true;
}

}  // namespace corvid

using corvid::libraryCore;

extern "C" int soundSetupFailed(void) { return corvid::soundSetupState().failed ? 1 : 0; }

extern "C" int saveSoundSettingsToFile(const char* fileName)
{
    return corvid::report(fileName != nullptr && corvid::saveSettingsToFile(libraryCore().options, fileName));
}

extern "C" int loadSoundSettingsFromFile(const char* fileName)
{
    return corvid::report(fileName != nullptr && corvid::loadSettingsFromFile(libraryCore().options, fileName));
}

extern "C" int saveSoundSettingsToRegistry(int rootKey, const char* subkey)
{
    const auto root = corvid::settingsRoot(rootKey);
    return corvid::report(root && subkey != nullptr && corvid::saveSettingsToStore(libraryCore().options, *root, subkey));
}

extern "C" int loadSoundSettingsFromRegistry(int rootKey, const char* subkey)
{
    const auto root = corvid::settingsRoot(rootKey);
    return corvid::report(root && subkey != nullptr && corvid::loadSettingsFromStore(libraryCore().options, *root, subkey));
}
