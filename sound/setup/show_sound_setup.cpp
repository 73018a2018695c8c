// The public call that opens the sound setup dialog.

#include "sound/core/library.h"
#include "sound/devices/direct_sound_device.h"
#include "sound/include/corvid_devices.h"
#include "sound/setup/saved_settings.h"
#include "sound/setup/sound_setup.h"

extern "C" int showSoundSetup(void)
{
    auto& state = corvid::soundSetupState();
    state.failed = false;
    corvid::OptionValues& options = corvid::libraryCore().options;
    corvid::SoundSetupForm form = corvid::openSoundSetupForm(options, state.device);
    const auto clicked = [](corvid::SoundSetupForm& f, int id) { corvid::clickQuality(f, id); };
    switch (platform::runSoundSetupDialog(form, corvid::soundSetupTitle, clicked)) {
    case platform::DialogResult::unavailable:
        state.failed = true;
        return 0;
    case platform::DialogResult::cancelled:
        return 0;
    case platform::DialogResult::ok:
        break;
    }
    corvid::acceptSoundSetupForm(form, options, state.device);
    // The card chosen here is the one MusicInit opens.
    corvid::selectDevice(state.device.deviceIndex);
    corvid::directSoundDeviceState().neverUse = state.device.neverUseDirectSound;
    return 1;
}
