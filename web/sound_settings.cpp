#include "web/sound_settings.h"

#include "platform/settings_store.h"
#include "sound/devices/direct_sound_device.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_devices.h"
#include "sound/setup/saved_settings.h"

#include <optional>

namespace web {

namespace {

constexpr platform::SettingsRoot root = platform::SettingsRoot::currentUser;
constexpr const char* cardName = "SoundCard";  // 0: "No Sound", 1: "Default"
constexpr const char* neverUseDirectSoundName = "NeverUseDirectSound";

std::optional<std::uint32_t> storedNumber(const platform::StoredValues& values, const char* name)
{
    const auto found = values.find(name);
    if (found == values.end() || !found->second.isNumber)
        return std::nullopt;
    return found->second.number;
}

}  // namespace

void restoreSoundSettings()
{
    loadSoundSettingsFromRegistry(SOUND_SETTINGS_CURRENT_USER, soundSettingsKey);
    corvid::DeviceChoice& device = corvid::soundSetupState().device;
    device = {};
    if (const auto values = platform::readSettings(root, soundSettingsKey)) {
        if (storedNumber(*values, cardName) == 0u)
            device.deviceIndex = corvid::silentDeviceIndex;
        device.neverUseDirectSound = storedNumber(*values, neverUseDirectSoundName).value_or(0) != 0;
    }
    corvid::selectDevice(device.deviceIndex);
    corvid::directSoundDeviceState().neverUse = device.neverUseDirectSound;
}

bool saveSoundSettings()
{
    const corvid::DeviceChoice& device = corvid::soundSetupState().device;
    const std::uint32_t card = device.deviceIndex == corvid::silentDeviceIndex ? 0 : 1;
    return saveSoundSettingsToRegistry(SOUND_SETTINGS_CURRENT_USER, soundSettingsKey) == 1 &&
           platform::writeSettings(root, soundSettingsKey,
                                   {{cardName, card}, {neverUseDirectSoundName, device.neverUseDirectSound ? 1u : 0u}});
}

}  // namespace web
